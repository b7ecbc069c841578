// Browser check of the drovexec result browser: the tree menu (ftiens4.js)
// draws the navigation tree only where the standard DOM it uses exists.
var treeBrowserSupported = !!(document.createElement && document.querySelectorAll &&
                              document.documentElement && document.documentElement.classList);
