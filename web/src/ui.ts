// Small DOM helpers: the page's elements by id, the message line and the
// pane's own question and input boxes (a task pane may not open browser dialogs).

export function byId<T extends HTMLElement>(id: string): T {
  const element = document.getElementById(id);
  if (!element) throw new Error(`#${id} is missing from taskpane.html`);
  return element as T;
}

export function errorText(error: unknown): string {
  return error instanceof Error ? error.message : String(error);
}

let running = 0;

// Runs an action with the page marked busy (the wait cursor), as long as any runs.
export async function whileBusy<T>(action: () => Promise<T>): Promise<T> {
  document.body.setAttribute("aria-busy", String(++running > 0));
  try {
    return await action();
  } finally {
    document.body.setAttribute("aria-busy", String(--running > 0));
  }
}

export function showMessage(text: string, title = ""): void {
  const box = byId<HTMLElement>("message");
  box.hidden = text === "";
  byId<HTMLElement>("message-title").textContent = title;
  byId<HTMLElement>("message-text").textContent = text;
}

export function fillList<T>(
  list: HTMLSelectElement, items: readonly T[], value: (item: T, index: number) => number, text: (item: T) => string,
): void {
  list.replaceChildren(...items.map((item, index) => new Option(text(item), String(value(item, index)))));
}

// Shows the question box and resolves with the user's answer.
export function askYesNo(question: string): Promise<boolean> {
  const box = byId<HTMLElement>("question");
  byId<HTMLElement>("question-text").textContent = question;
  box.hidden = false;
  return new Promise((resolve) => {
    const answer = (yes: boolean) => () => {
      box.hidden = true;
      resolve(yes);
    };
    byId<HTMLButtonElement>("question-yes").onclick = answer(true);
    byId<HTMLButtonElement>("question-no").onclick = answer(false);
    byId<HTMLButtonElement>("question-yes").focus();
  });
}

// Shows the input box; resolves with the text, or "" when cancelled.
export function askText(): Promise<string> {
  const form = byId<HTMLFormElement>("new-folder");
  const input = byId<HTMLInputElement>("new-folder-name");
  input.value = "";
  form.hidden = false;
  input.focus();
  return new Promise((resolve) => {
    const close = (text: string) => {
      form.hidden = true;
      resolve(text);
    };
    form.onsubmit = (event) => {
      event.preventDefault();
      close(input.value);
    };
    byId<HTMLButtonElement>("new-folder-cancel").onclick = () => close("");
  });
}
