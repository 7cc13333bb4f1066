// Outlook as the task pane sees it through Office.js, for the browser tests:
// exactly the calls the pane makes, each typed as @types/office-js declares
// it, behaving as Outlook does (one loaded item at a time; a category must be
// in the master list before an item can carry it). Served in place of
// office.js; reads window.outlookScenario, writes window.outlookRecord.

(() => {
  type Callback<T> = (result: Office.AsyncResult<T>) => void;
  // Office's async methods take (callback) or (options, callback).
  type AsyncArgs<T> = [Office.AsyncContextOptions, (Callback<T> | undefined)?] | [(Callback<T> | undefined)?];
  // The members of an item the pane reads or calls.
  type ReadItem = Pick<Office.MessageRead, "subject" | "getAsFileAsync"> & { categories: Pick<Office.Categories, "addAsync"> };

  const scenario = window.outlookScenario;
  const record: OutlookRecord = {
    categories: {}, masterCategories: [...scenario.masterCategories], mimeRead: [], loadedNow: null,
  };
  window.outlookRecord = record;

  const succeeded = 0 as Office.AsyncResultStatus.Succeeded;
  const failed = 1 as Office.AsyncResultStatus.Failed;

  function answer<T>(args: AsyncArgs<T>, value: T | Error): void {
    const callback = args.find((arg): arg is Callback<T> => typeof arg === "function") as Callback<T> | undefined;
    const result: Office.AsyncResult<T> = value instanceof Error
      ? { status: failed, value: undefined as T, error: { code: 9000, name: value.name, message: value.message }, asyncContext: undefined, diagnostics: undefined }
      : { status: succeeded, value, error: undefined as unknown as Office.Error, asyncContext: undefined, diagnostics: undefined };
    setTimeout(() => callback?.(result), 0);
  }

  function isSetSupported(name: string, minVersion?: string | number): boolean {
    const [major = 0, minor = 0] = String(minVersion ?? "1.1").split(".").map(Number);
    const [hasMajor = 0, hasMinor = 0] = scenario.mailboxVersion.split(".").map(Number);
    if (name === "NestedAppAuth") return scenario.nestedAppAuth !== false && major === 1 && minor <= 1;
    return name === "Mailbox" && (hasMajor > major || (hasMajor === major && hasMinor >= minor));
  }
  const requirements = { isSetSupported } satisfies Pick<Office.RequirementSetSupport, "isSetSupported">;

  const mailById = (id: string) => scenario.mails.find((mail) => mail.id === id);

  function readItem(mail: FakeMail): ReadItem {
    const categories = {
      addAsync(names: string[], ...args: AsyncArgs<void>) {
        const missing = names.find((name) => !record.masterCategories.includes(name));
        if (missing) return answer(args, new Error(`The category "${missing}" is not in the master list.`));
        record.categories[mail.id] = [...new Set([...(record.categories[mail.id] ?? []), ...names])];
        answer(args, undefined);
      },
    } satisfies Pick<Office.Categories, "addAsync">;
    return {
      subject: mail.subject,
      categories,
      getAsFileAsync(...args: AsyncArgs<string>) {
        if (mail.readError) return answer(args, new Error(mail.readError));
        record.mimeRead.push(mail.id);
        answer(args, mail.emlBase64);
      },
    } satisfies ReadItem;
  }

  const masterCategories = {
    getAsync(...args: AsyncArgs<Office.CategoryDetails[]>) {
      answer(args, record.masterCategories.map((displayName) => ({ displayName, color: "Preset0" })));
    },
    addAsync(details: Office.CategoryDetails[], ...args: AsyncArgs<void>) {
      const duplicate = details.find((detail) => record.masterCategories.includes(detail.displayName));
      if (duplicate) return answer(args, new Error(`The category "${duplicate.displayName}" exists already.`));
      record.masterCategories.push(...details.map((detail) => detail.displayName));
      answer(args, undefined);
    },
  } satisfies Pick<Office.MasterCategories, "getAsync" | "addAsync">;

  const current = scenario.selected[0] === undefined ? undefined : mailById(scenario.selected[0]);
  const mailbox = {
    // Outlook has no current item while several mails are selected.
    item: current && scenario.selected.length === 1 ? readItem(current) : null,
    masterCategories,
    getSelectedItemsAsync(...args: AsyncArgs<Office.SelectedItemDetails[]>) {
      if (!isSetSupported("Mailbox", "1.13")) throw new TypeError("getSelectedItemsAsync is not a function");
      answer(args, scenario.selected.map((id) => ({
        itemId: id, itemMode: "Read", itemType: mailById(id)?.appointment ? "appointment" : "message",
        subject: mailById(id)?.subject ?? "",
        conversationId: `conversation-${id}`, hasAttachment: false, internetMessageId: `<${id}@example.test>`,
      })));
    },
    loadItemByIdAsync(itemId: string, ...args: AsyncArgs<Office.LoadedMessageCompose | Office.LoadedMessageRead>) {
      if (!isSetSupported("Mailbox", "1.15")) throw new TypeError("loadItemByIdAsync is not a function");
      const mail = mailById(itemId);
      if (record.loadedNow !== null) return answer(args, new Error("Another item is loaded; unload it first."));
      if (!mail) return answer(args, new Error(`No item ${itemId}.`));
      record.loadedNow = itemId;
      const loaded = {
        ...readItem(mail),
        unloadAsync(...unloadArgs: AsyncArgs<void>) {
          record.loadedNow = null;
          answer(unloadArgs, undefined);
        },
      } satisfies ReadItem & Pick<Office.LoadedMessageRead, "unloadAsync">;
      answer(args, loaded as unknown as Office.LoadedMessageRead);
    },
  } satisfies Pick<Office.Mailbox, "getSelectedItemsAsync" | "loadItemByIdAsync"> & {
    item: ReadItem | null;
    masterCategories: Pick<Office.MasterCategories, "getAsync" | "addAsync">;
  };

  const onReady: typeof Office.onReady = async (callback) => {
    const info = { host: "Outlook" as unknown as Office.HostType, platform: "OfficeOnline" as unknown as Office.PlatformType };
    callback?.(info);
    return info;
  };

  const fakeOffice = {
    onReady,
    AsyncResultStatus: { Succeeded: succeeded, Failed: failed },
    context: { requirements, mailbox },
  } satisfies Pick<typeof Office, "onReady" | "AsyncResultStatus"> & { context: object };
  Object.assign(window, { Office: fakeOffice });
})();
