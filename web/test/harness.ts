// The browser tests' world: kvfiled on a demo world of its own, headless
// Chromium with Outlook and MSAL faked, and nothing leaving loopback.
import { spawn, type ChildProcess } from "node:child_process";
import { createSign } from "node:crypto";
import { mkdtempSync, readFileSync, rmSync } from "node:fs";
import { tmpdir } from "node:os";
import { dirname, join, resolve } from "node:path";
import { fileURLToPath } from "node:url";
import { chromium, type Browser, type Page } from "playwright-core";

const here = dirname(fileURLToPath(import.meta.url));
export const webRoot = resolve(process.env.KV_WEB_ROOT ?? join(here, "..", "web"));
export const screenshotDir = join(here, "screenshots");
// Run from web/ of the repository unless told otherwise.
const mailData = resolve(process.env.KV_MAIL_DATA ?? join("..", "tests", "data", "mail"));
const officeJs = "https://appsforoffice.microsoft.com/lib/1/hosted/office.js";
export const waitLimit = 15_000;

export interface Service {
  origin: string;
  // The demo user's token, and the same made out as expired an hour ago.
  token: string;
  expiredToken: string;
  documents: string;
  stop(): Promise<void>;
}

// Starts kvfiled's demo on a new demo world and reads its address and the
// demo user's token from what it prints.
export async function startService(): Promise<Service> {
  const kvfiled = process.env.KVFILED;
  if (!kvfiled) throw new Error("KVFILED names no kvfiled to test against");
  const world = join(mkdtempSync(join(tmpdir(), "kvfiled-pane-")), "demo");
  const child = spawn(kvfiled, ["--demo", world, "--port", "0", "--web-root", webRoot], { stdio: ["ignore", "pipe", "pipe"] });
  let printed = "";
  child.stderr?.on("data", (chunk: Buffer) => { printed += chunk.toString(); });
  const started = await new Promise<{ origin: string; token: string }>((resolveStart, reject) => {
    const timer = setTimeout(() => reject(new Error(`kvfiled did not start in time:\n${printed}`)), waitLimit);
    child.once("exit", (code) => reject(new Error(`kvfiled ended (${code}):\n${printed}`)));
    child.stdout?.on("data", (chunk: Buffer) => {
      printed += chunk.toString();
      const origin = /listens on (https?:\/\/127\.0\.0\.1:\d+)/.exec(printed)?.[1];
      const token = /token of demo user 1:\s*(\S+)/.exec(printed)?.[1];
      if (origin && token) {
        clearTimeout(timer);
        resolveStart({ origin, token });
      }
    });
  });
  return {
    ...started,
    expiredToken: expired(started.token, join(world, "signing-key.pem")),
    documents: join(world, "dokumenter"),
    stop: async () => {
      await stop(child);
      rmSync(dirname(world), { recursive: true, force: true });
    },
  };
}

// The token with its times an hour and more in the past, signed again with
// the demo's key: a token as MSAL may still hold it from its cache.
function expired(token: string, privateKeyFile: string): string {
  const [header = "", payload = ""] = token.split(".");
  const claims = JSON.parse(Buffer.from(payload, "base64url").toString()) as Record<string, unknown>;
  const now = Math.floor(Date.now() / 1000);
  const body = Buffer.from(JSON.stringify({ ...claims, iat: now - 7200, nbf: now - 7200, exp: now - 3600 })).toString("base64url");
  const signature = createSign("RSA-SHA256").update(`${header}.${body}`).sign(readFileSync(privateKeyFile, "utf8"));
  return `${header}.${body}.${signature.toString("base64url")}`;
}

function stop(child: ChildProcess): Promise<void> {
  if (child.exitCode !== null) return Promise.resolve();
  return new Promise((done) => {
    const timer = setTimeout(() => child.kill("SIGKILL"), 5_000);
    child.once("exit", () => {
      clearTimeout(timer);
      done();
    });
    child.kill("SIGTERM");
  });
}

export function launchBrowser(): Promise<Browser> {
  return chromium.launch({
    executablePath: process.env.KV_CHROMIUM ?? "/usr/bin/chromium",
    headless: true,
    args: ["--no-sandbox"],
    timeout: waitLimit,
  });
}

// One of the test mails, as Outlook hands it over.
export function mail(id: string, file: string, subject: string, readError?: string): FakeMail {
  const emlBase64 = readFileSync(join(mailData, file)).toString("base64");
  return readError === undefined ? { id, subject, emlBase64 } : { id, subject, emlBase64, readError };
}

export interface PaneOptions {
  outlook: OutlookScenario;
  signIn?: Partial<SignInScenario>;
  // MSAL's cache holds an expired token.
  expired?: boolean;
  surface?: "read" | "compose";
}

// Opens the task pane as Outlook would, with the fakes in place of office.js
// and msal-browser; every other request not to the service is refused.
export async function openPane(browser: Browser, service: Service, options: PaneOptions): Promise<Page> {
  const context = await browser.newContext({ ignoreHTTPSErrors: true, viewport: { width: 360, height: 760 } });
  context.setDefaultTimeout(waitLimit);
  const cachedToken = options.expired ? service.expiredToken : service.token;
  const signIn: SignInScenario = { cachedToken, freshToken: service.token, ...options.signIn };
  await context.addInitScript(({ outlook, signIn: scenario }) => {
    window.outlookScenario = outlook;
    window.signInScenario = scenario;
  }, { outlook: options.outlook, signIn });
  const fake = (name: string) => readFileSync(join(here, name), "utf8");
  await context.route("**/*", (route) => {
    const url = new URL(route.request().url());
    if (url.href === officeJs) return route.fulfill({ contentType: "text/javascript", body: fake("fake_office.js") });
    if (url.origin !== service.origin) return route.abort("blockedbyclient");
    if (url.pathname === "/addin/msal-browser.min.js") {
      return route.fulfill({ contentType: "text/javascript", body: fake("fake_msal.js") });
    }
    return route.continue();
  });
  const page = await context.newPage();
  const query = options.surface === "compose" ? "?surface=compose" : "";
  await page.goto(`${service.origin}/addin/taskpane.html${query}`);
  return page;
}

// Waits until the pane has done what it was asked (it marks itself busy meanwhile).
export async function idle(page: Page): Promise<void> {
  await page.waitForFunction(() => document.body.getAttribute("aria-busy") !== "true", undefined, { timeout: waitLimit });
}

// Waits until the pane has signed in and shown its lists, or said why not.
export async function ready(page: Page): Promise<void> {
  await page.waitForFunction(() => document.getElementById("user")?.textContent !== "" ||
    !document.getElementById("message-text")?.textContent?.startsWith("Henter"), undefined, { timeout: waitLimit });
  await idle(page);
}

// The pane's message once it is done: "" when it shows none.
export async function message(page: Page): Promise<string> {
  await idle(page);
  return (await page.isVisible("#message")) ? ((await page.textContent("#message-text")) ?? "") : "";
}
