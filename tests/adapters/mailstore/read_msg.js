// Reads a .msg file with @kenjiuno/msgreader and prints what it found, one
// field a line: name, tab, base64 of the UTF-8 value (tabs between the parts
// of a recipient or attachment). Usage: node read_msg.js <install prefix> <file>
'use strict';
const fs = require('fs');
const path = require('path');

const [prefix, file] = process.argv.slice(2);
const MsgReader = require(path.join(prefix, 'node_modules', '@kenjiuno', 'msgreader')).default;
const b64 = (v) => Buffer.from(v === undefined || v === null ? '' : String(v), 'utf8').toString('base64');
const iso = (v) => (v ? new Date(v).toISOString() : '');

const reader = new MsgReader(fs.readFileSync(file));
const data = reader.getFileData();
if (data.error) {
  console.error(data.error);
  process.exit(2);
}
const lines = [];
const field = (name, value) => lines.push(`${name}\t${b64(value)}`);
field('messageClass', data.messageClass);
field('subject', data.subject);
field('senderName', data.senderName);
field('senderEmail', data.senderEmail);
field('senderSmtpAddress', data.senderSmtpAddress);
field('body', data.body);
field('clientSubmitTime', iso(data.clientSubmitTime));
field('messageDeliveryTime', iso(data.messageDeliveryTime));
for (const r of data.recipients || []) {
  lines.push(['recipient', b64(r.recipType), b64(r.name), b64(r.email), b64(r.smtpAddress)].join('\t'));
}
for (const a of data.attachments || []) {
  const content = reader.getAttachment(a).content;
  lines.push(['attachment', b64(a.fileName), b64(a.fileNameShort), b64(a.extension), b64(a.attachMimeTag),
              Buffer.from(content).toString('base64')].join('\t'));
}
process.stdout.write(lines.join('\n') + '\n');
