// The task pane in headless Chromium against the real filing service: the
// choices of the import dialog, and filing from every kind of Outlook client.
import assert from "node:assert/strict";
import { mkdirSync, readdirSync, rmSync } from "node:fs";
import { join } from "node:path";
import { after, before, test } from "node:test";
import type { Browser, Page } from "playwright-core";
import { idle, launchBrowser, mail, message, openPane, ready, screenshotDir, startService, type PaneOptions, type Service } from "./harness.js";

const customer = "100";       // Ålborg Tømrerfirma ApS, with jobs
const activeJob = "417";      // Tagrenovering Søndergade 12
const tilbud = mail("m1", "tilbud_iso8859.eml", "Tilbud på køkken æøå");
const rapport = mail("m2", "rapport_utf8.eml", "Rapport uge 20 - æøå");
const nyhedsbrev = mail("m3", "html_only.eml", "Nyhedsbrev maj");
const appointment: FakeMail = { ...mail("a1", "html_only.eml", "Møde"), appointment: true };
const outlook = (overrides: Partial<OutlookScenario>): OutlookScenario => ({
  mailboxVersion: "1.15", mails: [tilbud, rapport, nyhedsbrev, appointment], selected: ["m1"], masterCategories: ["Korvane"], ...overrides,
});

// A case that hangs past this fails rather than holding the stage.
const caseLimit = { timeout: 90_000 };

let browser: Browser;
before(async () => {
  browser = await launchBrowser();
  rmSync(screenshotDir, { recursive: true, force: true });
  mkdirSync(screenshotDir, { recursive: true });
});
after(() => browser?.close());

// Each case gets a demo world of its own, so what one files another does not
// see, and leaves a screenshot of how the pane ended.
async function withPane(name: string, options: PaneOptions, run: (page: Page, service: Service) => Promise<void>): Promise<void> {
  const service = await startService();
  try {
    const page = await openPane(browser, service, options);
    try {
      await ready(page);
      await run(page, service);
    } finally {
      await page.screenshot({ path: join(screenshotDir, `${name.replace(/[^\w]+/g, "-")}.png`) });
    }
  } finally {
    await service.stop();
  }
}

async function chooseJob(page: Page, jobId = activeJob): Promise<void> {
  await page.fill("#job-number", jobId);
  await page.press("#job-number", "Enter");
  await idle(page);
  assert.equal(await page.inputValue("#jobs"), jobId);
  assert.equal(await page.getAttribute("#folders > li", "aria-expanded"), "true", "a job's folder opens at once");
}

async function fileAndRead(page: Page): Promise<string> {
  await page.click("#import");
  return message(page);
}

function messageFiles(folder: string): string[] {
  return readdirSync(folder).filter((name) => name.endsWith(".msg")).sort();
}

const jobFolder = (service: Service, ...sub: string[]) => join(service.documents, "Jobs", activeJob, ...sub);

test("the dialog's choices: type, customer, job by number and name, folder tree, new folder", caseLimit, async (t) => {
  await withPane(t.name, { outlook: outlook({}) }, async (page, service) => {
    await page.selectOption("#ress-type", "3");
    await idle(page);
    await page.selectOption("#resources", customer);
    await idle(page);
    assert.ok(await page.isVisible("#job-choice"), "a customer's jobs are shown");
    await page.fill("#job-name", "Tagrenovering");
    await page.press("#job-name", "Enter");
    await idle(page);
    assert.equal(await page.inputValue("#jobs"), activeJob);
    await page.fill("#job-number", "999999");
    await page.press("#job-number", "Enter");
    assert.equal(await message(page), "Job nr 999999 blev ikke fundet ");

    await chooseJob(page);
    const children = await page.locator("#folders > li > ul > li > .name").allTextContents();
    assert.ok(children.includes("Tilbud"), `sub-folders shown: ${children.join(", ")}`);
    assert.ok(!children.some((name) => /^(jobmappe|arkiv)$/i.test(name)), "the hidden folders stay hidden");

    await page.click("#folders li:has(> .name:text-is('Korrespondance')) > .toggle");
    await idle(page);
    assert.deepEqual(await page.locator("#folders li:has(> .name:text-is('Korrespondance')) > ul > li > .name").allTextContents(), ["2024"]);
    await page.click("#folders > li > ul > li > .name:text-is('Tilbud')");
    await page.click("#new-folder-button");
    await page.fill("#new-folder-name", "Breve fra kunden");
    await page.click("#new-folder button[type='submit']");
    await idle(page);
    assert.equal(await page.textContent("li[aria-selected='true'] > .name"), "Breve fra kunden");
    await page.click("#folders > li > ul > li > .name:text-is('Tilbud')");
    await page.click("#new-folder-button");
    await page.fill("#new-folder-name", "Breve fra kunden");
    await page.click("#new-folder button[type='submit']");
    assert.equal(await message(page), "Folder findes i forvejen");

    await page.click(".name:text-is('Breve fra kunden')");
    assert.equal(await fileAndRead(page), "1 arkiveret.");
    assert.equal(messageFiles(jobFolder(service, "Tilbud", "Breve fra kunden")).length, 1);

    const again = await openPane(browser, service, { outlook: outlook({}) });
    await ready(again);
    assert.deepEqual([await again.inputValue("#ress-type"), await again.inputValue("#resources"), await again.inputValue("#jobs")],
      ["3", customer, activeJob], "the next opening shows the type, customer and job filed to last");
  });
});

// Filing from clients of every requirement set: what is filed, what the user is told.
const clients: { name: string; outlook: Partial<OutlookScenario>; filed: number; says: RegExp; categorised: string[] }[] = [
  { name: "one mail", outlook: {}, filed: 1, says: /^1 arkiveret\.$/, categorised: ["m1"] },
  { name: "several selected, an appointment among them", outlook: { selected: ["m1", "a1", "m2", "m3"] }, filed: 3, says: /^3 arkiveret\.$/, categorised: ["m1", "m2", "m3"] },
  { name: "Mailbox 1.14: the open mail", outlook: { mailboxVersion: "1.14" }, filed: 1, says: /^1 arkiveret\.$/, categorised: ["m1"] },
  { name: "Mailbox 1.14: several selected", outlook: { mailboxVersion: "1.14", selected: ["m1", "m2"] }, filed: 0, says: /kun arkivere én mail/, categorised: [] },
  { name: "Mailbox 1.13: no way to read a mail", outlook: { mailboxVersion: "1.13" }, filed: 0, says: /kan ikke give tilføjelsen mailens indhold/, categorised: [] },
  { name: "a mail Outlook cannot hand over", outlook: { selected: ["m1", "m4"], mails: [tilbud, mail("m4", "rapport_utf8.eml", "Rapport uge 20 - æøå", "The item could not be read.")] }, filed: 1, says: /^Mailen "Rapport uge 20 - æøå" kunne ikke hentes fra Outlook \(The item could not be read\.\)/, categorised: ["m1"] },
  { name: "no Korvane category yet", outlook: { masterCategories: ["Rød"] }, filed: 1, says: /^1 arkiveret\.$/, categorised: ["m1"] },
];

for (const client of clients) {
  test(`filing: ${client.name}`, caseLimit, async (t) => {
    await withPane(t.name, { outlook: outlook(client.outlook) }, async (page, service) => {
      await chooseJob(page);
      assert.match(await fileAndRead(page), client.says);
      assert.equal(messageFiles(jobFolder(service)).length, client.filed);
      const record = await page.evaluate(() => window.outlookRecord);
      assert.deepEqual(Object.keys(record.categories).sort(), client.categorised);
      for (const id of client.categorised) assert.deepEqual(record.categories[id], ["Korvane"]);
      if (client.categorised.length > 0) assert.ok(record.masterCategories.includes("Korvane"));
      assert.equal(record.loadedNow, null, "every loaded item is unloaded again");
    });
  });
}

test("filing: a mail filed before is asked about, and No skips, Yes files", caseLimit, async (t) => {
  await withPane(t.name, { outlook: outlook({}) }, async (page, service) => {
    await chooseJob(page);
    assert.equal(await fileAndRead(page), "1 arkiveret.");
    for (const [answer, says, files] of [["#question-no", "0 arkiveret, 1 sprunget over.", 1], ["#question-yes", "1 arkiveret.", 2]] as const) {
      await page.click("#import");
      await page.locator("#question").waitFor({ state: "visible" });
      assert.equal(await page.locator("#question-text").textContent(),
        "Mail findes allerede i databasen, Vil du alligevel importerer det");
      assert.equal(await page.locator("#progress-text").textContent(), "Arkiverer mail 1 af 1: Tilbud på køkken æøå");
      await page.click(answer);
      assert.equal(await message(page), says);
      assert.equal(messageFiles(jobFolder(service)).length, files);
    }
  });
});

const signIns: { name: string; options: Partial<PaneOptions>; silent: boolean[]; popups: number; says: RegExp }[] = [
  { name: "an expired token is renewed once", options: { expired: true }, silent: [false, true], popups: 0, says: /^$/ },
  { name: "a token that needs the user gets a pop-up", options: { signIn: { interactionRequired: true } }, silent: [false], popups: 1, says: /^$/ },
  { name: "a client without nested sign-in says so", options: { outlook: outlook({ nestedAppAuth: false }) }, silent: [], popups: 0, says: /kan ikke logge tilføjelsen ind/ },
];

for (const signIn of signIns) {
  test(`sign-in: ${signIn.name}`, caseLimit, async (t) => {
    await withPane(t.name, { outlook: outlook({}), ...signIn.options }, async (page) => {
      assert.match(await message(page), signIn.says);
      const record = await page.evaluate(() => window.signInRecord);
      assert.deepEqual(record.silent.slice(0, signIn.silent.length).map((call) => call.forceRefresh), signIn.silent);
      assert.equal(record.silent.filter((call) => call.forceRefresh).length, signIn.silent.filter(Boolean).length, "renewed once only");
      assert.equal(record.popups, signIn.popups);
    });
  });
}

test("a mail being written is not filed, and the pane says why", caseLimit, async (t) => {
  await withPane(t.name, { outlook: outlook({}), surface: "compose" }, async (page, service) => {
    await chooseJob(page);
    assert.match(await fileAndRead(page), /En mail, der er ved at blive skrevet/);
    assert.equal(messageFiles(jobFolder(service)).length, 0);
  });
});
