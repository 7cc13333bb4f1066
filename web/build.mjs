// Builds the add-in into one folder kvfiled serves under /addin/, and with a
// second folder the browser tests and their fakes into that:
//   node build.mjs OUT_DIR [TEST_DIR]
// KV_ADDIN_HOST (host[:port] of kvfiled over HTTPS) and KV_ADDIN_CLIENT_ID
// (the application id in Microsoft Entra ID) go into the manifest and the
// sign-in configuration; without them both keep placeholders.
import { execFileSync } from "node:child_process";
import { copyFileSync, mkdirSync, readFileSync, readdirSync, rmSync, symlinkSync, writeFileSync } from "node:fs";
import { dirname, join, resolve } from "node:path";
import { fileURLToPath } from "node:url";

const here = dirname(fileURLToPath(import.meta.url));
const out = resolve(process.argv[2] ?? join(here, "..", "build", "web"));
const testOut = process.argv[3] && resolve(process.argv[3]);
const host = process.env.KV_ADDIN_HOST || "korvane.example.com";
const clientId = process.env.KV_ADDIN_CLIENT_ID || "00000000-0000-0000-0000-000000000000";
// An application id URI names the host without a port.
const apiHost = host.replace(/:\d+$/, "");

const tsc = (project, outDir) => execFileSync(process.execPath,
  [join(here, "node_modules", "typescript", "bin", "tsc"), "-p", project, "--outDir", outDir], { stdio: "inherit" });

mkdirSync(out, { recursive: true });
tsc(here, out);
for (const folder of ["static", "assets"]) {
  for (const name of readdirSync(join(here, folder))) copyFileSync(join(here, folder, name), join(out, name));
}
copyFileSync(join(here, "node_modules", "@azure", "msal-browser", "lib", "msal-browser.min.js"), join(out, "msal-browser.min.js"));
writeFileSync(join(out, "manifest.xml"),
  readFileSync(join(here, "manifest.xml"), "utf8").replaceAll("{HOST}", host).replaceAll("{API_HOST}", apiHost).replaceAll("{CLIENT_ID}", clientId));
writeFileSync(join(out, "config.json"), JSON.stringify({
  clientId,
  authority: "https://login.microsoftonline.com/common",
  scope: `api://${apiHost}/${clientId}/access_as_user`,
}, null, 2) + "\n");
console.log(`web add-in built into ${out}`);

if (testOut) {
  mkdirSync(testOut, { recursive: true });
  tsc(join(here, "test"), testOut);
  // The compiled tests are ES modules and import playwright-core from here.
  writeFileSync(join(testOut, "package.json"), '{ "type": "module" }\n');
  rmSync(join(testOut, "node_modules"), { force: true });
  symlinkSync(join(here, "node_modules"), join(testOut, "node_modules"), "dir");
  console.log(`browser tests built into ${testOut}`);
}
