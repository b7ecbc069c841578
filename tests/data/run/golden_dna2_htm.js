
USETEXTLINKS = 1
STARTALLOPEN = 0
WRAPTEXT = 1
PRESERVESTATE = 0
HIGHLIGHT = 1
ICONPATH = 'file:///PROGRAM/'    //change if the gif's folder is a subfolder, for example: 'images/'

foldersTree = gFld("<i>DROVALEN RESULTS (p.drp)</i>", "")
insDoc(foldersTree, gLnk("R", "Drovalen log file", "Drovalen_log.txt"))
	aux1 = insFld(foldersTree, gFld("Run of DATE", "p.htm#STAMP"))
	insDoc(aux1, gLnk("R", "Settings", "p.htm#STAMP_run_information"))
