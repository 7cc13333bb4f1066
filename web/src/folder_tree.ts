// The document folder of the chosen job or resource as a tree read one level
// at a time: a node's sub-folders are asked for when it is first opened.
import type { FolderEntry, KorvaneApi } from "./api.js";
import { dialogTexts, paneTexts } from "./texts.js";
import { errorText, showMessage, whileBusy } from "./ui.js";

interface FolderNode {
  path: string;
  item: HTMLLIElement;
  children: HTMLUListElement;
  loaded: boolean;
}

export class FolderTree {
  private owner = { ressId: 0, jobId: 0 };
  private selected: FolderNode | null = null;
  onSelect: () => void = () => {};

  constructor(private readonly api: KorvaneApi, private readonly root: HTMLUListElement, private readonly label: HTMLElement) {}

  get selectedPath(): string | null { return this.selected?.path ?? null; }
  get target() { return this.owner; }

  clear(): void {
    this.root.replaceChildren();
    this.select(null);
  }

  // Shows the document folder of a job (jobId > 0) or of a resource; opened
  // at once for a job, as the desktop dialog does.
  async show(ressId: number, jobId: number): Promise<void> {
    this.clear();
    this.owner = { ressId, jobId };
    const level = await this.api.folders(ressId, jobId, "");
    this.label.textContent = level.name;
    const node = this.addNode(this.root, { name: dialogTexts.documentFolder, path: "", hasChildren: level.folders.length > 0 });
    this.addChildren(node, level.folders);
    this.select(node);
    if (jobId > 0) this.setOpen(node, true);
  }

  // Makes a sub-folder of the selected folder and selects it.
  async createFolder(name: string): Promise<void> {
    const parent = this.selected;
    if (!parent) return;
    const created = await this.api.createFolder(this.owner.ressId, this.owner.jobId, parent.path, name);
    const node = this.addNode(parent.children, { ...created, hasChildren: false });
    parent.item.classList.add("has-children");
    this.setOpen(parent, true);
    this.select(node);
  }

  private addNode(parent: HTMLUListElement, entry: FolderEntry): FolderNode {
    const item = document.createElement("li");
    item.setAttribute("role", "treeitem");
    item.classList.toggle("has-children", entry.hasChildren);
    const toggle = document.createElement("button");
    toggle.className = "toggle";
    toggle.type = "button";
    toggle.title = paneTexts.expandFolder;
    const name = document.createElement("button");
    name.className = "name";
    name.type = "button";
    name.textContent = entry.name;
    const children = document.createElement("ul");
    children.setAttribute("role", "group");
    item.append(toggle, name, children);
    parent.append(item);
    const node: FolderNode = { path: entry.path, item, children, loaded: false };
    // A folder that can no longer be listed is reported; the tree stays as it is.
    toggle.onclick = () => void whileBusy(() => this.toggle(node)).catch((error: unknown) =>
      showMessage(errorText(error)));
    name.onclick = () => this.select(node);
    this.setOpen(node, false);
    return node;
  }

  private addChildren(node: FolderNode, entries: FolderEntry[]): void {
    for (const entry of entries) this.addNode(node.children, entry);
    node.loaded = true;
  }

  private async toggle(node: FolderNode): Promise<void> {
    const open = node.item.getAttribute("aria-expanded") !== "true";
    if (open && !node.loaded) {
      const level = await this.api.folders(this.owner.ressId, this.owner.jobId, node.path);
      if (!node.loaded) this.addChildren(node, level.folders);
    }
    this.setOpen(node, open);
  }

  private setOpen(node: FolderNode, open: boolean): void {
    node.item.setAttribute("aria-expanded", String(open));
    node.children.hidden = !open;
    const toggle = node.item.querySelector<HTMLButtonElement>(":scope > .toggle");
    if (toggle) toggle.title = open ? paneTexts.collapseFolder : paneTexts.expandFolder;
  }

  private select(node: FolderNode | null): void {
    this.selected?.item.removeAttribute("aria-selected");
    this.selected = node;
    node?.item.setAttribute("aria-selected", "true");
    this.onSelect();
  }
}
