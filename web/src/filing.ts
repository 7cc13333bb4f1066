// Files the chosen mails one after another into one target, as the desktop
// import does: a mail filed before is filed again only when the user says
// so, and the first failure stops the run with what was filed kept.
import type { KorvaneApi, Target } from "./api.js";
import type { MailToFile } from "./outlook.js";
import { paneTexts } from "./texts.js";
import { errorText } from "./ui.js";

export interface FilingView {
  // Before each mail (its subject given) and once all are done.
  progress(done: number, total: number, subject?: string): void;
  ask(question: string): Promise<boolean>;
  note(text: string): void;
}

export interface FilingOutcome { filed: number; skipped: number }

export async function fileMails(
  api: KorvaneApi, target: Target, mails: MailToFile[], view: FilingView,
): Promise<FilingOutcome> {
  const outcome: FilingOutcome = { filed: 0, skipped: 0 };
  for (const [index, mail] of mails.entries()) {
    view.progress(index, mails.length, mail.subject);
    const open = await mail.open();
    try {
      let mime: Uint8Array<ArrayBuffer>;
      try {
        mime = await open.readMime();
      } catch (error) {
        throw new Error(paneTexts.mailUnreadable(mail.subject, errorText(error)));
      }
      let result = await api.fileMail(target, mime, "ask");
      if (result.kind === "duplicate") {
        result = (await view.ask(result.question))
          ? await api.fileMail(target, mime, "file")
          : { kind: "skipped" };
      }
      if (result.kind !== "filed") {
        ++outcome.skipped;
        continue;
      }
      ++outcome.filed;
      await open.markFiled().catch(() => view.note(paneTexts.categoryNotSet(mail.subject)));
    } finally {
      await open.close();
    }
  }
  view.progress(mails.length, mails.length);
  return outcome;
}
