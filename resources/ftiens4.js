// Tree menu of the drovexec result browser.
//
// The project's tree file builds the tree with the statements
//   foldersTree = gFld("title", "link")            the root folder
//   auxN = insFld(parent, gFld("title", "link"))   a folder inside parent
//   insDoc(parent, gLnk("R", "title", "link"))     a document inside parent
// and the tree page then calls initializeDocument(), which draws the tree
// into the page as nested lists: a folder opens and closes with a click on
// its sign, a document (or a folder with a link) opens its link in the
// results frame. Titles are HTML text; an empty link means no target.
// Written for this program; it needs nothing but a standard DOM.

// Settings that the tree file may change.
var USETEXTLINKS = 0;   // 1: the title of a folder with a link opens that link
var STARTALLOPEN = 0;   // 1: every folder starts open, else only the root
var WRAPTEXT = 0;       // 1: long titles wrap, else they stay on one line
var PRESERVESTATE = 0;  // 1: open folders are kept while the browser session lasts
var HIGHLIGHT = 0;      // 1: the entry chosen last is highlighted
var ICONPATH = "";      // folder of icon images; this tree draws no images

var foldersTree = null;

// The folder this script was loaded from: its style sheet lies beside it.
var treeScriptFolder = (function () {
  var script = document.currentScript;
  if (!script || !script.src)
    return "";
  return script.src.substring(0, script.src.lastIndexOf("/") + 1);
})();

function gFld(title, link) {
  return { isFolder: true, title: title, link: link || "", target: "R", children: [] };
}

function gLnk(target, title, link) {
  return { isFolder: false, title: title, link: link || "", target: target, children: [] };
}

function insFld(parent, folder) {
  parent.children.push(folder);
  return folder;
}

function insDoc(parent, doc) {
  parent.children.push(doc);
  return doc;
}

// Target codes of gLnk: R the results frame, B a new window, T the whole
// window, S the tree frame itself.
function treeTargetName(code) {
  switch (code) {
    case "B": return "_blank";
    case "T": return "_top";
    case "S": return "_self";
    default: return "basefrm";
  }
}

var treeSelected = null;

function treeSelect(label) {
  if (!HIGHLIGHT)
    return;
  if (treeSelected)
    treeSelected.classList.remove("treeSelected");
  label.classList.add("treeSelected");
  treeSelected = label;
}

function treeStateKey() {
  return "drovexecTree:" + location.pathname;
}

function treeLoadState() {
  if (!PRESERVESTATE)
    return null;
  try {
    var text = window.sessionStorage.getItem(treeStateKey());
    return text === null ? null : text.split(",");
  } catch (e) {
    return null;  // storage refused for this page: start from the defaults
  }
}

function treeSaveState(root) {
  if (!PRESERVESTATE)
    return;
  var open = [];
  var folders = root.querySelectorAll("li.treeFolder");
  for (var i = 0; i < folders.length; ++i)
    if (!folders[i].classList.contains("treeClosed"))
      open.push(folders[i].getAttribute("data-tree-id"));
  try {
    window.sessionStorage.setItem(treeStateKey(), open.join(","));
  } catch (e) {
    // the state is simply not kept
  }
}

function treeSetOpen(item, open) {
  item.classList.toggle("treeClosed", !open);
  item.firstChild.textContent = open ? "\u2212" : "+";
}

function treeLabel(node) {
  var label;
  if (node.link !== "" && (!node.isFolder || USETEXTLINKS)) {
    label = document.createElement("a");
    label.href = node.link;
    label.target = treeTargetName(node.target);
  } else {
    label = document.createElement("span");
  }
  label.className = "treeLabel";
  label.innerHTML = node.title;
  return label;
}

// Draws one node and, for a folder, its entries below it.
function treeDrawNode(node, id, openIds, depth, root) {
  var item = document.createElement("li");
  item.setAttribute("data-tree-id", id);
  var sign = document.createElement("span");
  sign.className = "treeSign";
  item.appendChild(sign);
  var label = treeLabel(node);
  item.appendChild(label);
  label.addEventListener("click", function () { treeSelect(label); });
  if (!node.isFolder) {
    item.className = "treeDoc";
    return item;
  }
  item.className = "treeFolder";
  var list = document.createElement("ul");
  for (var i = 0; i < node.children.length; ++i)
    list.appendChild(treeDrawNode(node.children[i], id + "." + i, openIds, depth + 1, root));
  item.appendChild(list);
  var open = openIds ? openIds.indexOf(id) >= 0 : (STARTALLOPEN || depth === 0);
  treeSetOpen(item, open);
  function toggle() {
    treeSetOpen(item, item.classList.contains("treeClosed"));
    treeSaveState(root);
  }
  sign.addEventListener("click", toggle);
  if (label.tagName === "A")
    label.addEventListener("click", function () { treeSetOpen(item, true); treeSaveState(root); });
  else
    label.addEventListener("click", toggle);
  return item;
}

function initializeDocument() {
  if (!document.body) {  // called from the page's head: draw once the body exists
    document.addEventListener("DOMContentLoaded", initializeDocument);
    return;
  }
  if (typeof treeBrowserSupported !== "undefined" && !treeBrowserSupported) {
    document.body.appendChild(document.createTextNode("This browser cannot show the navigation tree."));
    return;
  }
  if (treeScriptFolder !== "") {
    var style = document.createElement("link");
    style.rel = "stylesheet";
    style.href = treeScriptFolder + "ftie4style.css";
    document.head.appendChild(style);
  }
  if (!foldersTree) {
    document.body.appendChild(document.createTextNode("The navigation tree is empty."));
    return;
  }
  var root = document.createElement("ul");
  root.className = "treeRoot" + (WRAPTEXT ? "" : " treeNoWrap");
  root.appendChild(treeDrawNode(foldersTree, "0", treeLoadState(), 0, root));
  document.body.appendChild(root);
}
