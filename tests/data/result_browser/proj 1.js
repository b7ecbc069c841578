
USETEXTLINKS = 1
STARTALLOPEN = 0
WRAPTEXT = 1
PRESERVESTATE = 0
HIGHLIGHT = 1
ICONPATH = 'file:///C:/Drov%20alen/core/'    //change if the gif's folder is a subfolder, for example: 'images/'

foldersTree = gFld("<i>DROVALEN RESULTS (proj 1.drp)</i>", "")
insDoc(foldersTree, gLnk("R", "Drovalen log file", "Drovalen_log.txt"))
	aux1 = insFld(foldersTree, gFld("Run of 08/12/26 at 18:55:29", "proj%201.htm#08_12_26at18_55_29"))
	insDoc(aux1, gLnk("R", "Settings", "proj%201.htm#08_12_26at18_55_29_run_information"))
		aux2 = insFld(aux1, gFld("Samples", ""))
		insDoc(aux2, gLnk("R", "Pop 1", "proj%201.htm#08_12_26at18_55_29_samp1"))
		insDoc(aux2, gLnk("R", "Pop &lt;2&gt; &amp; &quot;b&quot;", "proj%201.htm#08_12_26at18_55_29_samp2"))
