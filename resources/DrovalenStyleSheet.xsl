<?xml version="1.0" encoding="ISO-8859-1"?>
<!--
  Shows an XML results file of drovexec in a web browser as the HTML results
  would look: the running text of the <data> elements in one preformatted
  block, anchors as named HTML anchors (so that the navigation tree's links
  find them), header items in bold and literature references in italics.
  Every other element is shown through its text.
-->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:output method="html" encoding="ISO-8859-1"/>

  <xsl:template match="/">
    <html>
      <head>
        <title>Drovalen results</title>
        <style>
          body { background-color: white; font-size: 8pt; font-family: Courier New, monospace }
          .header { font-weight: bold; font-size: 10pt }
        </style>
      </head>
      <body>
        <pre><xsl:apply-templates/></pre>
      </body>
    </html>
  </xsl:template>

  <xsl:template match="A">
    <a name="{@NAME}"/>
  </xsl:template>

  <xsl:template match="header">
    <span class="header"><xsl:value-of select="."/></span>
  </xsl:template>

  <xsl:template match="Reference">
    <i><xsl:value-of select="."/></i>
    <xsl:text>&#10;</xsl:text>
  </xsl:template>

  <xsl:template match="*">
    <xsl:apply-templates/>
  </xsl:template>
</xsl:stylesheet>
