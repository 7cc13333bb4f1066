// What the pane asks of Outlook: the mails to file, each one's MIME, and the
// "Korvane" category on a filed mail. Every requirement set is asked for,
// since each Outlook client offers a different set.
import { categoryName, paneTexts } from "./texts.js";

const mailbox = (version: string) => Office.context.requirements.isSetSupported("Mailbox", version);

// One mail to file, opened only while it is worked on: Outlook holds one
// loaded item at a time.
export interface MailToFile {
  subject: string;
  open(): Promise<OpenMail>;
}
export interface OpenMail {
  readMime(): Promise<Uint8Array<ArrayBuffer>>;
  markFiled(): Promise<void>;
  close(): Promise<void>;
}

type ReadItem = Pick<Office.MessageRead, "subject" | "getAsFileAsync" | "categories">;

export type Selection = { mails: MailToFile[] } | { refusal: string };

export async function selectedMails(surface: "read" | "compose"): Promise<Selection> {
  if (surface === "compose") return { refusal: paneTexts.composeNotFiled };
  if (!mailbox("1.14")) return { refusal: paneTexts.noMailContent };
  if (mailbox("1.13")) {
    const selected = (await call<Office.SelectedItemDetails[]>((done) =>
      Office.context.mailbox.getSelectedItemsAsync(done)))
      .filter((details) => String(details.itemType) === "message");
    if (selected.length > 1) {
      if (!mailbox("1.15")) return { refusal: paneTexts.oneMailOnly };
      return { mails: selected.map(loadedById) };
    }
  }
  const item = Office.context.mailbox.item as ReadItem | null | undefined;
  if (!item) return { refusal: paneTexts.noMailSelected };
  return { mails: [currentItem(item)] };
}

function currentItem(item: ReadItem): MailToFile {
  const open: OpenMail = { ...operationsOn(item), close: async () => {} };
  return { subject: item.subject, open: async () => open };
}

function loadedById(details: Office.SelectedItemDetails): MailToFile {
  return {
    subject: details.subject,
    open: async () => {
      const loaded = await call<Office.LoadedMessageCompose | Office.LoadedMessageRead>((done) =>
        Office.context.mailbox.loadItemByIdAsync(details.itemId, done));
      const item = loaded as Office.LoadedMessageRead;
      return {
        ...operationsOn(item),
        close: () => call<void>((done) => item.unloadAsync(done)),
      };
    },
  };
}

function operationsOn(item: Pick<ReadItem, "getAsFileAsync" | "categories">): Omit<OpenMail, "close"> {
  return {
    readMime: async () => fromBase64(await call<string>((done) => item.getAsFileAsync(done))),
    markFiled: async () => {
      if (!mailbox("1.8")) return;
      await ensureMasterCategory();
      await call<void>((done) => item.categories.addAsync([categoryName], done));
    },
  };
}

let masterCategoryKnown = false;

// A category must be in the user's master list before an item can carry it.
async function ensureMasterCategory(): Promise<void> {
  if (masterCategoryKnown) return;
  const master = Office.context.mailbox.masterCategories;
  const present = await call<Office.CategoryDetails[]>((done) => master.getAsync(done));
  if (!present.some((category) => category.displayName === categoryName)) {
    await call<void>((done) => master.addAsync([{ displayName: categoryName, color: "Preset4" }], done));
  }
  masterCategoryKnown = true;
}

function fromBase64(text: string): Uint8Array<ArrayBuffer> {
  const binary = atob(text);
  const bytes = new Uint8Array(binary.length);
  for (let i = 0; i < binary.length; ++i) bytes[i] = binary.charCodeAt(i);
  return bytes;
}

export class OutlookError extends Error {
  constructor(readonly code: string | number, message: string) {
    super(message);
    this.name = "OutlookError";
  }
}

// Office's callbacks as promises; a failed call rejects with Outlook's own message.
function call<T>(start: (done: (result: Office.AsyncResult<T>) => void) => void): Promise<T> {
  return new Promise((resolve, reject) => {
    start((result) => {
      if (result.status === Office.AsyncResultStatus.Succeeded) resolve(result.value);
      else reject(new OutlookError(result.error.code, result.error.message));
    });
  });
}
