// The filing service's HTTP API, on the pane's own origin. A refused token is
// renewed once and the request sent again; any other refusal is the caller's.

export interface Me {
  userRessId: number;
  name: string;
  settings: { ressType: number; jobSetting: number; mailDelete: boolean };
  last: { ressId: number; jobId: number };
}
export interface ResourceType { id: number; name: string }
export interface Resource { id: number; name: string; type: number }
export interface Job { id: number; name: string; archived: boolean }
export interface FolderEntry { name: string; path: string; hasChildren: boolean }
export interface FolderLevel { name: string; path: string; folders: FolderEntry[] }
export interface Target { ressId: number; jobId: number; folder: string }
export type DuplicateAnswer = "ask" | "file" | "skip";
export type FilingResult =
  | { kind: "filed"; file: string }
  | { kind: "skipped" }
  | { kind: "duplicate"; question: string };

export class ServiceError extends Error {
  constructor(readonly status: number, readonly code: string, message: string) {
    super(message);
    this.name = "ServiceError";
  }
}

export type TokenSource = (forceRefresh: boolean) => Promise<string>;

export class KorvaneApi {
  constructor(private readonly token: TokenSource, private readonly base = "/api/v1") {}

  me(): Promise<Me> { return this.json("GET", "/me"); }
  saveSettings(settings: Partial<Me["settings"]>): Promise<void> {
    return this.json("PUT", "/me/settings", settings);
  }
  resourceTypes(): Promise<ResourceType[]> { return this.json("GET", "/resource-types"); }
  resources(type: number): Promise<Resource[]> {
    return this.json("GET", `/resources?type=${type}`);
  }
  jobs(ressId: number, status: number): Promise<Job[]> {
    return this.json("GET", `/resources/${ressId}/jobs?status=${status}`);
  }
  jobByNumber(jobId: number, status: number): Promise<{ ressId: number; jobId: number }> {
    return this.json("GET", `/jobs/by-number/${jobId}?status=${status}`);
  }
  jobByName(ressId: number, name: string, status: number): Promise<{ jobId: number }> {
    const query = new URLSearchParams({ name, status: String(status) });
    return this.json("GET", `/resources/${ressId}/jobs/by-name?${query}`);
  }
  folders(ressId: number, jobId: number, path: string): Promise<FolderLevel> {
    const query = new URLSearchParams({ ressId: String(ressId), jobId: String(jobId), path });
    return this.json("GET", `/folders?${query}`);
  }
  createFolder(ressId: number, jobId: number, parent: string, name: string): Promise<FolderEntry> {
    return this.json("POST", "/folders", { ressId, jobId, parent, name });
  }

  async fileMail(target: Target, mime: Uint8Array<ArrayBuffer>, duplicate: DuplicateAnswer): Promise<FilingResult> {
    const query = new URLSearchParams({
      ressId: String(target.ressId), jobId: String(target.jobId), folder: target.folder, duplicate,
    });
    const response = await this.send("POST", `/mails?${query}`, new Blob([mime]), "message/rfc822");
    if (response.status === 409) {
      const body = await readError(response);
      if (body.code === "duplicate") return { kind: "duplicate", question: body.message };
      throw body;
    }
    if (!response.ok) throw await readError(response);
    const filed = (await response.json()) as { file?: string; skipped?: boolean };
    return filed.skipped ? { kind: "skipped" } : { kind: "filed", file: filed.file ?? "" };
  }

  private async json<T>(method: string, path: string, body?: unknown): Promise<T> {
    const response = body === undefined
      ? await this.send(method, path)
      : await this.send(method, path, JSON.stringify(body), "application/json");
    if (!response.ok) throw await readError(response);
    return response.status === 204 ? (undefined as T) : ((await response.json()) as T);
  }

  private async send(method: string, path: string, body?: BodyInit, type?: string): Promise<Response> {
    const attempt = async (forceRefresh: boolean) => {
      const headers: Record<string, string> = { Authorization: `Bearer ${await this.token(forceRefresh)}` };
      if (type) headers["Content-Type"] = type;
      return fetch(this.base + path, body === undefined ? { method, headers } : { method, headers, body });
    };
    const first = await attempt(false);
    return first.status === 401 ? attempt(true) : first;
  }
}

async function readError(response: Response): Promise<ServiceError> {
  let code = "", message = `${response.status} ${response.statusText}`;
  try {
    const body = (await response.json()) as { error?: string; message?: string };
    code = body.error ?? code;
    message = body.message ?? message;
  } catch { /* not JSON: the status line says enough */ }
  return new ServiceError(response.status, code, message);
}
