// The task pane: signs in, lets the user choose where the mails go, and
// files them.
import { KorvaneApi } from "./api.js";
import { signIn, type SignInConfig } from "./auth.js";
import { TargetChooser } from "./choices.js";
import { fileMails } from "./filing.js";
import { FolderTree } from "./folder_tree.js";
import { selectedMails } from "./outlook.js";
import { dialogTexts, paneTexts } from "./texts.js";
import { askText, askYesNo, byId, errorText, showMessage, whileBusy } from "./ui.js";

async function start(): Promise<void> {
  await Office.onReady();
  showMessage(paneTexts.loading);
  const config = (await (await fetch("config.json")).json()) as SignInConfig;
  let api: KorvaneApi;
  try {
    api = new KorvaneApi(await signIn(config));
  } catch (error) {
    return showMessage(`${paneTexts.signInFailed} ${errorText(error)}`);
  }
  const me = await api.me();
  showMessage("");
  byId<HTMLElement>("user").textContent = me.name;
  const tree = new FolderTree(api, byId<HTMLUListElement>("folders"), byId<HTMLElement>("folder-name"));
  const importButton = byId<HTMLButtonElement>("import");
  const newFolderButton = byId<HTMLButtonElement>("new-folder-button");
  tree.onSelect = () => {
    importButton.disabled = newFolderButton.disabled = tree.selectedPath === null;
  };
  const chooser = new TargetChooser(api, tree);
  newFolderButton.onclick = () => void createFolder(tree);
  importButton.onclick = () => void whileBusy(() => fileChosenMails(api, tree));
  await whileBusy(() => chooser.start(me)).catch((error: unknown) => showMessage(errorText(error)));
}

async function createFolder(tree: FolderTree): Promise<void> {
  const name = await askText();
  if (name === "") return;
  try {
    await whileBusy(() => tree.createFolder(name));
  } catch (error) {
    showMessage(errorText(error), dialogTexts.newFolderFailedTitle);
  }
}

async function fileChosenMails(api: KorvaneApi, tree: FolderTree): Promise<void> {
  const folder = tree.selectedPath;
  if (folder === null) return;
  showMessage("");
  const surface = new URLSearchParams(location.search).get("surface") === "compose" ? "compose" : "read";
  const importButton = byId<HTMLButtonElement>("import");
  const progress = byId<HTMLProgressElement>("progress");
  const progressText = byId<HTMLElement>("progress-text");
  importButton.disabled = true;
  const notes: string[] = [];
  try {
    const selection = await selectedMails(surface);
    if ("refusal" in selection) return showMessage(selection.refusal);
    const outcome = await fileMails(api, { ...tree.target, folder }, selection.mails, {
      progress: (done, total, subject = "") => {
        progress.max = total;
        progress.value = done;
        progressText.textContent = done < total ? paneTexts.filingProgress(done + 1, total, subject) : "";
      },
      ask: askYesNo,
      note: (text) => notes.push(text),
    });
    showMessage([paneTexts.filingDone(outcome.filed, outcome.skipped), ...notes].join("\n"));
  } catch (error) {
    showMessage([...notes, errorText(error)].join("\n"), dialogTexts.importFailed);
  } finally {
    importButton.disabled = tree.selectedPath === null;
  }
}

void start().catch((error: unknown) => showMessage(`${paneTexts.serviceFailed} ${errorText(error)}`));
