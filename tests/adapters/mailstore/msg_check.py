#!/usr/bin/env python3
"""Reads a .msg file with olefile (python3-olefile), checks its
structure against the published .msg rules and compares it field by field
with the .eml it was made from, as Python's own MIME parser reads that.

  msg_check.py structure MSG
  msg_check.py compare EML MSG [--arrival YYYY-MM-DDTHH:MM:SS] [--converted EML]
  msg_check.py attachment MSG N OUT    (writes the data of attachment N to OUT)

--arrival is the UTC time the store gave a mail without Date and Received;
--converted is msgconvert's rendering of MSG, compared as a third reading.
Exit status 0 when everything agrees; every difference is printed.
"""
import codecs
import datetime
import email
import encodings
import encodings.iso2022_jp
import email.policy
import email.utils
import os
import html.parser
import re
import struct
import sys

import olefile

# ---- charsets as Windows reads them ----
# Mailers label text with the standard name and write the Windows code page
# behind it. Python reads fast-path names (us-ascii, iso-8859-1) without its
# codec registry, so those are renamed where the text is decoded below; the
# others are answered by a codec search ahead of Python's own.
WINDOWS_NAMES = {
    "us_ascii": "cp1252", "iso_8859_1": "cp1252", "iso8859_1": "cp1252", "latin1": "cp1252",
    "gb2312": "gbk", "euc_cn": "gbk", "x_gbk": "gbk", "big5": "cp950", "cn_big5": "cp950",
    "ks_c_5601_1987": "cp949", "ks_c_5601": "cp949", "euc_kr": "cp949", "shift_jis": "cp932",
    "sjis": "cp932", "x_sjis": "cp932",
}
ISO2022JP = {"iso_2022_jp", "iso2022_jp", "csiso2022jp", "cp50220", "cp50221", "cp50222"}


def charset_key(name):
    return (name or "").strip().strip('"').lower().replace("-", "_").replace(" ", "_")


def windows_charset(name):
    key = charset_key(name)
    return "kv_iso2022jp" if key in ISO2022JP else WINDOWS_NAMES.get(key, name)


def decode_iso2022jp(data, errors="strict"):
    """ISO-2022-JP with the NEC and IBM rows: each JIS pair as its Shift_JIS
    bytes, read by Python's CP932."""
    data, out, mode, i = bytes(data), bytearray(), "ascii", 0
    while i < len(data):
        for escape, to in ((b"\x1b(B", "ascii"), (b"\x1b(J", "ascii"), (b"\x1b(I", "kana"),
                           (b"\x1b$@", "jis"), (b"\x1b$B", "jis"), (b"\x1b$(D", "jis212")):
            if data.startswith(escape, i):
                mode, i = to, i + len(escape)
                break
        else:
            c = data[i]
            if mode == "kana" and 0x21 <= c <= 0x5F:
                out.append(c + 0x80)
            elif mode.startswith("jis") and 0x21 <= c <= 0x7E and i + 1 < len(data) and 0x21 <= data[i + 1] <= 0x7E:
                c2 = data[i + 1]
                i += 1
                if mode == "jis212":
                    out.append(0xFF)
                    i += 1
                    continue
                out.append(((c + 1) >> 1) + (0x70 if c <= 0x5E else 0xB0))
                out.append(c2 + (0x7E if c % 2 == 0 else 0x20 if c2 >= 0x60 else 0x1F))
            else:
                out.append(c)
            i += 1
    return out.decode("cp932", "replace" if errors != "strict" else "strict"), len(data)


def windows_codecs(name):
    key = charset_key(name)
    if key == "kv_iso2022jp" or key in ISO2022JP:
        return codecs.CodecInfo(name="kv_iso2022jp", encode=encodings.iso2022_jp.Codec().encode,
                                decode=decode_iso2022jp)
    return codecs.lookup(WINDOWS_NAMES[key]) if key in WINDOWS_NAMES else None


codecs.unregister(encodings.search_function)
codecs.register(windows_codecs)
codecs.register(encodings.search_function)


def text_of(part):
    """A text part's content, decoded as Windows decodes its charset."""
    data = part.get_payload(decode=True) or b""
    charset = part.get_content_charset()
    if charset is None:
        try:
            return data.decode("utf-8")
        except UnicodeDecodeError:
            return data.decode("cp1252", "replace")
    try:
        return data.decode(windows_charset(charset), "replace")
    except LookupError:
        return data.decode("utf-8", "replace")


def windows_words(text):
    """Encoded words with a fast-path charset renamed to the one Windows reads."""
    return re.sub(r"=\?([^?*]+)((\*[^?]*)?\?[bBqQ]\?)",
                  lambda m: "=?" + (windows_charset(m.group(1)) if charset_key(m.group(1)) in WINDOWS_NAMES
                                    else m.group(1)) + m.group(2), text)


FREE = 0xFFFFFFFF
STORAGE, STREAM = olefile.STGTY_STORAGE, olefile.STGTY_STREAM
PT_LONG, PT_BOOL, PT_OBJECT, PT_STRING8, PT_UNICODE, PT_TIME, PT_BINARY = 3, 0xB, 0xD, 0x1E, 0x1F, 0x40, 0x102
VARIABLE = {PT_OBJECT, PT_STRING8, PT_UNICODE, PT_BINARY, 0x48}
PREFIXES = ("re", "sv", "fw", "fwd", "aw", "vs", "wg", "tr", "rv", "antw", "doorst", "ref", "res", "enc", "odp", "vl")


class Problems(list):
    def add(self, where, text):
        self.append(f"{where}: {text}")


# ---- Compound File ----

class Cfb:
    """The compound file as olefile reads it, any defect it finds an error.
    On top: each storage's children form a red-black tree in the order of
    their names, which olefile does not check."""

    def __init__(self, path):
        self.ole = olefile.OleFileIO(path, raise_defects=olefile.DEFECT_INCORRECT)
        self.root = self.ole.root
        self._link(self.root, [])

    def _link(self, entry, path):
        entry.path, entry.children = path, {e.name: e for e in entry.kids}
        if entry.entry_type != STREAM:
            self._check_red_black(entry)
        for e in entry.kids:
            self._link(e, path + [e.name])

    def _check_red_black(self, storage):
        """Colour 0 red, 1 black."""
        entries = self.ole.direntries
        def black_height(i, under_red):
            if i == FREE:
                return 1
            e = entries[i]
            red = e.color == 0
            if red and under_red:
                raise ValueError(f"red entry {e.name!r} under a red one in {storage.name!r}")
            left, right = black_height(e.sid_left, red), black_height(e.sid_right, red)
            if left != right:
                raise ValueError(f"black heights {left} and {right} below {e.name!r} in {storage.name!r}")
            return left + (0 if red else 1)
        if storage.sid_child != FREE and entries[storage.sid_child].color == 0:
            raise ValueError(f"the tree of {storage.name!r} has a red root")
        black_height(storage.sid_child, False)
        # In order, siblings go shorter names first, then by UTF-16 units with a-z upper-cased.
        def in_order(i):
            e = entries[i] if i != FREE else None
            return in_order(e.sid_left) + [e.name] + in_order(e.sid_right) if e else []
        names = in_order(storage.sid_child)
        key = lambda n: (len(n.encode("utf-16-le")), [ord(c) - 32 if "a" <= c <= "z" else ord(c) for c in n])
        if names != sorted(names, key=key):
            raise ValueError(f"the children of {storage.name!r} are out of order: {names}")

    def read(self, entry):
        return self.ole.openstream(entry.path).read()


# ---- .msg objects ----

class MsgObject:
    """The properties of one storage: message, recipient or attachment."""

    def __init__(self, cfb, storage, header_size, where, problems):
        self.cfb, self.storage, self.where = cfb, storage, where
        self.props, self.header = {}, b""
        stream = storage.children.get("__properties_version1.0")
        if stream is None or stream.entry_type != STREAM:
            problems.add(where, "no property stream")
            return
        data = cfb.read(stream)
        self.header = data[:header_size]
        if len(data) < header_size or (len(data) - header_size) % 16:
            problems.add(where, f"property stream of {len(data)} bytes does not fit a {header_size}-byte header")
        if header_size == 8 and self.header != bytes(8):
            problems.add(where, "reserved header bytes are not zero")
        for off in range(header_size, len(data) - 15, 16):
            tag, flags = struct.unpack_from("<II", data, off)
            ptype, pid = tag & 0xFFFF, tag >> 16
            if tag in self.props:
                problems.add(where, f"property {tag:08X} twice")
            if flags & ~0x7 or flags & 0x6 != 0x6:  # Outlook's own are readable and writable
                problems.add(where, f"property {tag:08X} has flags {flags:X}")
            if ptype in VARIABLE:
                size = struct.unpack_from("<I", data, off + 8)[0]
                name = f"__substg1.0_{tag:08X}"
                child = storage.children.get(name)
                if ptype == PT_OBJECT:
                    if size != 0xFFFFFFFF:
                        problems.add(where, f"object {tag:08X} has size {size:X}, not FFFFFFFF")
                    if child is None or child.entry_type != STORAGE:
                        problems.add(where, f"object {tag:08X} has no storage")
                    self.props[tag] = child
                    continue
                if child is None or child.entry_type != STREAM:
                    problems.add(where, f"no stream {name}")
                    continue
                value = cfb.read(child)
                expected = len(value) + (2 if ptype == PT_UNICODE else 1 if ptype == PT_STRING8 else 0)
                if size != expected:
                    problems.add(where, f"{name}: size field {size}, stream {len(value)} bytes")
                if ptype == PT_UNICODE:
                    value = value.decode("utf-16-le", "replace")
                self.props[tag] = value
            else:
                raw = data[off + 8:off + 16]
                if ptype == PT_LONG:
                    self.props[tag] = struct.unpack_from("<i", raw)[0]
                elif ptype == PT_BOOL:
                    self.props[tag] = raw[0] != 0
                elif ptype == PT_TIME:
                    ticks = struct.unpack_from("<Q", raw)[0]
                    self.props[tag] = datetime.datetime(1601, 1, 1) + datetime.timedelta(microseconds=ticks // 10)
                else:
                    self.props[tag] = raw
        for name, child in storage.children.items():
            if name.startswith("__substg1.0_") and child.entry_type == STREAM:
                tag = int(name[12:20], 16)
                if tag not in self.props and tag & 0xFFFF in VARIABLE:
                    problems.add(where, f"stream {name} has no property entry")

    def get(self, pid, ptype, default=None):
        return self.props.get((pid << 16) | ptype, default)


class Message(MsgObject):
    def __init__(self, cfb, storage, embedded, where, problems):
        super().__init__(cfb, storage, 24 if embedded else 32, where, problems)
        self.recipients, self.attachments = [], []
        for prefix, out in (("__recip_version1.0_#", self.recipients), ("__attach_version1.0_#", self.attachments)):
            names = sorted(n for n in storage.children if n.startswith(prefix))
            for i, name in enumerate(names):
                if name != f"{prefix}{i:08X}":
                    problems.add(where, f"storage {name} out of sequence")
                child = storage.children[name]
                obj = MsgObject(cfb, child, 8, f"{where}/{name}", problems)
                kind = 7 if prefix.startswith("__attach") else 6  # MAPI_ATTACH, MAPI_MAILUSER
                if obj.get(0x0FFE, PT_LONG) != kind:
                    problems.add(f"{where}/{name}", f"object type {obj.get(0x0FFE, PT_LONG)}, not {kind}")
                if obj.get(0x0E21 if kind == 7 else 0x3000, PT_LONG) != i:  # attachment number, recipient row id
                    problems.add(f"{where}/{name}", f"numbered {obj.get(0x0E21 if kind == 7 else 0x3000, PT_LONG)}")
                if kind == 6 and obj.get(0x3002, PT_UNICODE) != "SMTP":
                    problems.add(f"{where}/{name}", f"address type {obj.get(0x3002, PT_UNICODE)!r}")
                if kind == 7:
                    inner = obj.get(0x3701, PT_OBJECT)
                    obj.message = Message(cfb, inner, True, f"{where}/{name}/embedded", problems) if inner else None
                    short = obj.get(0x3704, PT_UNICODE)  # by value only: an ASCII 8.3 name in capitals
                    got = (obj.get(0x3705, PT_LONG), obj.get(0x370B, PT_LONG), bool(obj.get(0x370E, PT_UNICODE)),
                           inner is not None or bool(re.fullmatch(r"[A-Z0-9~]{1,8}(\.[A-Z0-9]{1,3})?", short or "")))
                    if got != (5 if inner else 1, -1, True, True):  # embedded or by value, rendered nowhere, typed
                        problems.add(f"{where}/{name}", f"method, position, type, 8.3 name {got} for {short!r}")
                out.append(obj)
        if len(self.header) >= 24:
            next_r, next_a, n_r, n_a = struct.unpack_from("<IIII", self.header, 8)
            if (n_r, n_a) != (len(self.recipients), len(self.attachments)):
                problems.add(where, f"header counts {n_r}/{n_a}, storages {len(self.recipients)}/{len(self.attachments)}")
            if (next_r, next_a) != (n_r, n_a):  # written once: numbered on from the last storage
                problems.add(where, f"next ids {next_r}/{next_a}, counts {n_r}/{n_a}")
            if self.header[:8] != bytes(8) or (not embedded and self.header[24:32] != bytes(8)):
                problems.add(where, "reserved header bytes are not zero")
        cls = self.get(0x001A, PT_UNICODE)
        if cls is not None and not re.fullmatch(r"IPM\.[A-Za-z]+(\.[A-Za-z0-9]+)*", cls):
            problems.add(where, f"message class {cls!r} is no IPM class")
        if cls in SMIME_CLASSES:
            tags = [a.get(0x370E, PT_UNICODE) for a in self.attachments]
            if tags != [SMIME_CLASSES[cls]]:
                problems.add(where, f"{cls} wants one attachment of type {SMIME_CLASSES[cls]}, not {tags}")
        nameid = storage.children.get("__nameid_version1.0")
        if embedded and nameid is not None:
            problems.add(where, "an embedded message has its own named-property storage")
        if not embedded:
            if nameid is None or nameid.entry_type != STORAGE:
                problems.add(where, "no named-property storage")
            else:
                for tag, unit in (("00020102", 16), ("00030102", 8), ("00040102", 1)):
                    s = nameid.children.get(f"__substg1.0_{tag}")
                    if s is None:
                        problems.add(where, f"named-property stream {tag} missing")
                    elif s.size % unit:
                        problems.add(where, f"named-property stream {tag} of {s.size} bytes")


def open_msg(path, problems):
    cfb = Cfb(path)
    return Message(cfb, cfb.root, False, "msg", problems)


# ---- the .eml, as Python reads it ----

class TextOfHtml(html.parser.HTMLParser):
    SKIP = {"head", "style", "script", "title"}

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.words, self.skipping = [], 0

    def handle_starttag(self, tag, attrs):
        if tag in self.SKIP:
            self.skipping += 1

    def handle_endtag(self, tag):
        if tag in self.SKIP and self.skipping:
            self.skipping -= 1

    def handle_data(self, data):
        if not self.skipping:
            self.words += data.split()


def html_words(text):
    p = TextOfHtml()
    p.feed(text)
    p.close()
    return p.words


def lines(text):
    return text.replace("\r\n", "\n").replace("\r", "\n").rstrip("\n")


def utc_of(text):
    if not text:
        return None
    try:
        value = email.utils.parsedate_to_datetime(str(text))
    except (TypeError, ValueError):
        return None
    if value is None:
        return None
    if value.tzinfo is None:
        value = value.replace(tzinfo=datetime.timezone.utc)
    return value.astimezone(datetime.timezone.utc).replace(tzinfo=None)


def text8(value):
    """Header text that came as raw 8-bit bytes: UTF-8, else Windows-1252."""
    raw = str(value).encode("utf-8", "surrogateescape")
    try:
        return raw.decode("utf-8")
    except UnicodeDecodeError:
        return raw.decode("cp1252", "replace")


def importance_of(msg):
    """0 low, 1 normal, 2 high: by Importance, else an X-Priority digit, else X-MSMail-Priority."""
    levels = {"low": 0, "normal": 1, "high": 2, "0": 1, "1": 2, "2": 2, "3": 1, "4": 0, "5": 0}
    digit = re.match(r"\s*(\d)", str(msg.get("x-priority") or ""))
    for value in (msg.get("importance"), digit and digit.group(1), msg.get("x-msmail-priority")):
        if value and str(value).strip().lower() in levels:
            return levels[str(value).strip().lower()]
    return 1


def subject_of(msg):
    """The subject decoded from the raw header, whose 8-bit bytes Python
    would otherwise replace."""
    for key, value in msg.raw_items():
        if key.lower() == "subject":
            text = windows_words(text8(value).replace("\r", "").replace("\n", ""))
            return str(email.policy.default.header_factory("subject", text)).strip()
    return ""


def addresses(msg, name):
    # Python keeps the blank between two encoded words of a display name
    # (RFC 2047 drops it), so runs of blanks count as one.
    out = []
    for header in msg.get_all(name, []):
        for a in getattr(header, "addresses", ()):
            display = " ".join(text8(a.display_name).split())
            out.append((display or a.addr_spec, a.addr_spec))
    return out


# ---- winmail.dat ([MS-OXTNEF]) ----

FIXED_SIZES = {0x2: 2, 0x3: 4, 0x4: 4, 0x5: 8, 0x6: 8, 0x7: 8, 0xA: 4, 0xB: 2, 0x14: 8, 0x40: 8, 0x48: 16}


def mapi_props(data, codepage):
    """A TNEF property list: {property id: value}; strings decoded, times as UTC datetimes."""
    props, at = {}, 4
    for _ in range(struct.unpack_from("<I", data)[0]):
        ptype, pid = struct.unpack_from("<HH", data, at)
        at += 4
        if pid >= 0x8000:  # named: GUID, kind, then a number or a name
            kind = struct.unpack_from("<I", data, at + 16)[0]
            at += 20
            if kind == 1:
                at += 4 + (struct.unpack_from("<I", data, at)[0] + 3) // 4 * 4
            else:
                at += 4
        values, base = [], ptype & 0xFFF
        count = struct.unpack_from("<I", data, at)[0] if ptype & 0x1000 or base in (0x1E, 0x1F, 0x102, 0xD) else 1
        if ptype & 0x1000 or base in (0x1E, 0x1F, 0x102, 0xD):
            at += 4
        for _ in range(count):
            if base in (0x1E, 0x1F, 0x102, 0xD):
                size = struct.unpack_from("<I", data, at)[0]
                raw = data[at + 4:at + 4 + size]
                at += 4 + (size + 3) // 4 * 4
            else:
                size = FIXED_SIZES.get(base, 4)
                raw = data[at:at + size]
                at += (size + 3) // 4 * 4
            if base == 0x1E:
                raw = raw.split(b"\0")[0].decode(codepage, "replace")
            elif base == 0x1F:
                raw = raw.decode("utf-16-le", "replace").split("\0")[0]
            elif base == 0x40:
                raw = datetime.datetime(1601, 1, 1) + datetime.timedelta(microseconds=struct.unpack("<Q", raw)[0] // 10)
            values.append(raw)
        props[pid] = values if ptype & 0x1000 else values[0]
    return props


def read_tnef(data):
    """The attachments and message properties a TNEF stream carries; None
    when the bytes are no whole TNEF stream."""
    if len(data) < 6 or struct.unpack_from("<I", data)[0] != 0x223E9F78:
        return None
    at, attachments, message, codepage = 6, [], {}, "cp1252"
    try:
        while at < len(data):
            level, attr, size = struct.unpack_from("<BII", data, at)
            value = data[at + 9:at + 9 + size]
            if len(value) != size or struct.unpack_from("<H", data, at + 9 + size)[0] != sum(value) & 0xFFFF:
                return None
            at += 11 + size
            if attr == 0x00069007:
                codepage = f"cp{struct.unpack_from('<I', value)[0]}"
            elif level == 1 and attr == 0x00069003:
                message = mapi_props(value, codepage)
            elif level == 2 and attr == 0x00069002:
                attachments.append({"props": {}, "data": b"", "title": "", "dates": {}})
            elif level == 2 and attachments:
                a = attachments[-1]
                if attr == 0x00018010:
                    a["title"] = value.split(b"\0")[0].decode(codepage, "replace")
                elif attr == 0x0006800F:
                    a["data"] = value
                elif attr in (0x00038012, 0x00038013):
                    a["dates"][0x3007 if attr == 0x00038012 else 0x3008] = datetime.datetime(*struct.unpack_from("<6H", value))
                elif attr == 0x00069005:
                    a["props"] = mapi_props(value, codepage)
    except (struct.error, ValueError, LookupError):
        return None
    out = []
    for a in attachments:
        p = a["props"]
        times = {t: p.get(t, a["dates"].get(t)) for t in (0x3007, 0x3008)}
        out.append({"name": p.get(0x3707) or p.get(0x3001) or a["title"], "type": (p.get(0x370E) or
                    "application/octet-stream").lower(), "data": a["data"] or p.get(0x3701, b""), "cid": "",
                    "location": "", "inline": False, "times": times})
    return out, message


# ---- S/MIME ([MS-OXOSMIME]) ----

SMIME_CLASSES = {"IPM.Note.SMIME.MultipartSigned": "multipart/signed", "IPM.Note.SMIME": "application/pkcs7-mime"}


def smime_kind(msg):
    """"signed" for a clear-signed mail, "opaque" for one signed or encrypted whole, else None."""
    ctype = msg.get_content_type()
    if ctype == "multipart/signed" and (msg.get_param("protocol") or "").lower() in (
            "application/pkcs7-signature", "application/x-pkcs7-signature"):
        return "signed"
    if ctype in ("application/pkcs7-mime", "application/x-pkcs7-mime") or (
            ctype == "application/octet-stream" and (msg.get_filename() or "").lower().endswith(".p7m")):
        return "opaque"
    return None


def mime_entity(raw):
    """The mail's MIME entity as it came: Content-* fields and MIME-Version, then the body."""
    match = re.search(rb"\r?\n\r?\n", raw)
    head, body = (raw[:match.start() + 1], raw[match.end():]) if match else (raw, b"")
    if head.endswith(b"\r"):
        head += b"\n"
    fields = re.findall(rb"^[^ \t\r\n][^\n]*\n(?:[ \t][^\n]*\n)*", head, re.M)
    kept = [f for f in fields if f.split(b":")[0].strip().lower().startswith(b"content-")
            or f.split(b":")[0].strip().lower() == b"mime-version"]
    return b"".join(kept) + (b"\r\n" if match and match.group().startswith(b"\r") else b"\n") + body


class EmlParts:
    """Body and attachments by one rule: the first text/plain and text/html
    that are no attachment are the body; every other leaf is an attachment;
    message/rfc822 parts are embedded messages."""

    def __init__(self, msg, raw=None):
        self.plain = self.html = self.rtf = None
        self.attachments = []
        self.walk(msg, False)
        self.message_class = "IPM.Note"
        kind = smime_kind(msg) if raw is not None else None
        if kind:
            # Kept whole as the one attachment; an opaque one shows no body of its own.
            self.message_class = "IPM.Note.SMIME.MultipartSigned" if kind == "signed" else "IPM.Note.SMIME"
            self.attachments = [{"name": "smime.p7m", "type": "multipart/signed" if kind == "signed" else
                                 "application/pkcs7-mime", "data": mime_entity(raw), "cid": "", "location": "",
                                 "inline": False}]
            if kind == "opaque":
                self.plain = self.html = None

    def walk(self, part, related_part):
        ctype = part.get_content_type()
        if ctype == "message/rfc822":
            inner = part.get_payload(0) if part.is_multipart() else None
            self.attachments.append({"embedded": inner, "name": part.get_param("filename", header="content-disposition")})
            return
        if part.is_multipart():
            subs = part.get_payload()
            root = 0
            if ctype == "multipart/related":
                start = (part.get_param("start") or "").strip("<>")
                for i, sub in enumerate(subs):
                    if start and (sub.get("content-id") or "").strip().strip("<>") == start:
                        root = i
            for i, sub in enumerate(subs):
                self.walk(sub, related_part or (ctype == "multipart/related" and i != root))
            return
        name = part.get_filename()
        disposition = part.get_content_disposition()
        attached = disposition == "attachment" or bool(name) or related_part
        if not attached and ctype == "text/plain" and self.plain is None:
            self.plain = text_of(part)
            return
        if not attached and ctype == "text/html" and self.html is None:
            self.html = text_of(part)
            return
        data = part.get_payload(decode=True) or b""
        tnef = read_tnef(data) if ctype in ("application/ms-tnef", "application/vnd.ms-tnef") or \
            (name or "").lower() == "winmail.dat" else None
        if tnef:
            self.attachments += tnef[0]
            self.rtf = tnef[1].get(0x1009, self.rtf)
            return
        cid = (part.get("content-id") or "").strip().strip("<>")
        location = "".join(str(part.get("content-location") or "").split("\n")).strip()
        self.attachments.append({
            "name": name, "type": ctype, "data": part.get_payload(decode=True) or b"", "cid": cid,
            "location": location,
            "inline": bool(cid or location) and disposition != "attachment" and (related_part or disposition == "inline")})


def normalized_html(text):
    return re.sub(r"charset\s*=\s*[\"']?[\w.:-]+", "charset", lines(text), flags=re.I)


def flat_entry_addresses(flat):
    """The address of each one-off entry id in a FlatEntryList ([MS-OXCDATA] 2.3.3):
    a count, the size of the entries, and the entries, each padded to four bytes."""
    if len(flat) < 8:
        return None
    count, size = struct.unpack_from("<II", flat)
    at, found = 8, []
    for _ in range(count):
        n = struct.unpack_from("<I", flat, at)[0] if at + 4 <= len(flat) else 0
        if flat[at + 24:at + 28] != b"\0\0\x01\x80":  # version 0; Unicode, no rich info
            return f"entry {len(found)} has version and flags {flat[at + 24:at + 28].hex()}"
        found.append(flat[at + 28:at + 4 + n].decode("utf-16-le", "replace").split("\0")[2:3])
        at += 4 + n + (-n % 4)
    if at != len(flat) or size != len(flat) - 8:
        return f"entries end at {at}, the list is {len(flat)} bytes and says {size + 8}"
    return [a for f in found for a in f]


def compare(where, msg, m, arrival, problems, raw=None):
    def expect(what, got, want):
        if got != want:
            problems.add(where, f"{what}: .msg has {got!r}, the .eml {want!r}")

    subject = subject_of(msg)
    expect("subject", m.get(0x0037, PT_UNICODE), subject)
    prefix, normalized = m.get(0x003D, PT_UNICODE, ""), m.get(0x0E1D, PT_UNICODE, "")
    expect("prefix + normalized subject", prefix + normalized, subject)
    expect("conversation topic", m.get(0x0070, PT_UNICODE), normalized)
    marker = re.match(r"\s*([A-Za-z]+)(\[\d+\])?:", normalized)
    if marker and marker.group(1).lower() in PREFIXES:
        problems.add(where, f"normalized subject {normalized!r} still starts with a reply marker")
    sender = (addresses(msg, "from") or [(None, None)])[0]  # an unsent draft has no sender
    expect("sender address", m.get(0x0C1F, PT_UNICODE), sender[1])
    expect("sender name", m.get(0x0C1A, PT_UNICODE), sender[0])
    want = [(kind, n, a) for kind, header in ((1, "to"), (2, "cc"), (3, "bcc")) for n, a in addresses(msg, header)]
    got = [(r.get(0x0C15, PT_LONG), " ".join(r.get(0x3001, PT_UNICODE, "").split()), r.get(0x39FE, PT_UNICODE))
           for r in m.recipients]
    expect("recipients (type, name, address)", got, want)
    for prop, kind, field in ((0x0E04, 1, "To"), (0x0E03, 2, "Cc"), (0x0E02, 3, "Bcc")):
        expect(f"display {field}", " ".join(m.get(prop, PT_UNICODE, "").split()),
               "; ".join(n for k, n, _ in want if k == kind))
    reply = addresses(msg, "reply-to")
    if reply:
        expect("reply-to names", " ".join(m.get(0x0050, PT_UNICODE, "").split()), "; ".join(n for n, _ in reply))
        expect("reply-to entries", flat_entry_addresses(m.get(0x004F, PT_BINARY, b"")), [a for _, a in reply])
    submit = utc_of(msg.get("date"))
    expect("client submit time (UTC)", m.get(0x0039, PT_TIME), submit)
    received = msg.get_all("received", [])
    delivery = utc_of(str(received[0]).rsplit(";", 1)[-1]) if received and ";" in str(received[0]) else None
    expect("delivery time (UTC)", m.get(0x0E06, PT_TIME), delivery or submit or arrival)
    message_id = (msg.get("message-id") or "").strip()
    if message_id:
        expect("internet message id", m.get(0x1035, PT_UNICODE), message_id)
    headers = m.get(0x007D, PT_UNICODE)
    unsent = (msg.get("x-unsent") or "").strip() == "1"  # a draft has been through no transport
    if not unsent and (headers is None or (subject and "subject:" not in headers.lower())):
        problems.add(where, "transport headers missing")

    parts = EmlParts(msg, raw)
    expect("message class", m.get(0x001A, PT_UNICODE), parts.message_class)
    body = m.get(0x1000, PT_UNICODE, "")
    if parts.plain is not None:
        expect("body", lines(body), lines(parts.plain))
    elif parts.html is not None:
        # Text runs split at inline tags ("<i>a</i>."), so only the characters count.
        expect("body text (from the HTML)", "".join(body.split()), "".join(html_words(parts.html)))
    html_bytes = m.get(0x1013, PT_BINARY)
    expect("HTML present", html_bytes is not None, parts.html is not None)
    if html_bytes is not None and parts.html is not None:
        expect("HTML", normalized_html(html_bytes.decode("utf-8", "replace")), normalized_html(parts.html))
        expect("HTML code page", m.get(0x3FDE, PT_LONG), 65001)
    expect("RTF body", m.get(0x1009, PT_BINARY), parts.rtf)
    if parts.rtf is not None:  # else Outlook would make the RTF again from the plain body
        expect("RTF in sync", m.get(0x0E1F, PT_BOOL), True)
    expect("attachment count", len(m.attachments), len(parts.attachments))
    expect("has-attachments flag", bool(m.get(0x0E07, PT_LONG, 0) & 0x10), bool(parts.attachments))
    expect("has-attachments property", m.get(0x0E1B, PT_BOOL), bool(parts.attachments))
    expect("importance", m.get(0x0017, PT_LONG), importance_of(msg))
    for i, (a, want) in enumerate(zip(m.attachments, parts.attachments)):
        at = f"{where} attachment {i}"
        method = a.get(0x3705, PT_LONG)
        if want.get("embedded") is not None:
            if method != 5 or a.message is None:
                problems.add(at, f"not an embedded message (method {method})")
                continue
            compare(at, want["embedded"], a.message, None, problems)
            continue
        name = a.get(0x3707, PT_UNICODE)
        if want["name"]:
            if name != want["name"]:
                problems.add(at, f"name {name!r}, the .eml {want['name']!r}")
        elif not re.fullmatch(r"(ATT\d{5}|image\d{3})\.\w+", name or ""):
            problems.add(at, f"nameless part named {name!r}")
        if a.get(0x3703, PT_UNICODE, "") != os.path.splitext(name or "")[1]:
            problems.add(at, f"extension {a.get(0x3703, PT_UNICODE)!r} of the name {name!r}")
        data, wanted = a.get(0x3701, PT_BINARY, b""), want["data"]
        if want["type"].startswith("text/"):  # Python ends decoded text lines with LF alone
            data, wanted = data.replace(b"\r\n", b"\n"), wanted.replace(b"\r\n", b"\n")
        if data != wanted:
            problems.add(at, f"content differs ({len(data)} bytes, the .eml {len(want['data'])})")
        if a.get(0x370E, PT_UNICODE) != want["type"]:
            problems.add(at, f"mime type {a.get(0x370E, PT_UNICODE)!r}, the .eml {want['type']!r}")
        if want["cid"] and a.get(0x3712, PT_UNICODE) != want["cid"]:
            problems.add(at, f"content id {a.get(0x3712, PT_UNICODE)!r}, the .eml {want['cid']!r}")
        if a.get(0x3713, PT_UNICODE, "") != want["location"]:
            problems.add(at, f"content location {a.get(0x3713, PT_UNICODE)!r}, the .eml {want['location']!r}")
        if want["inline"] and a.get(0x3714, PT_LONG, 0) & 0x4 == 0:
            problems.add(at, "shown in the HTML but not flagged as referenced by it")
        for tag, what in ((0x3007, "created"), (0x3008, "modified")):
            if a.get(tag, PT_TIME) != want.get("times", {}).get(tag):
                problems.add(at, f"{what} {a.get(tag, PT_TIME)}, the .eml {want.get('times', {}).get(tag)}")
        if want["inline"] != bool(a.get(0x7FFE, PT_BOOL, False)):
            problems.add(at, f"inline {not want['inline']}, the .eml says {want['inline']}")


def compare_converted(eml, converted, problems, raw=None):
    """msgconvert's reading of the .msg against the .eml, for what it keeps."""
    where = "msgconvert"
    if subject_of(converted) != subject_of(eml):
        problems.add(where, f"subject {converted.get('subject')!r}")
    if [a for _, a in addresses(converted, "from")][:1] != [a for _, a in addresses(eml, "from")][:1]:
        problems.add(where, f"sender {converted.get('from')!r}")
    for header in ("to", "cc"):
        if [a for _, a in addresses(converted, header)] != [a for _, a in addresses(eml, header)]:
            problems.add(where, f"{header} {converted.get(header)!r}")
    want, got = EmlParts(eml, raw), EmlParts(converted)
    if want.message_class in SMIME_CLASSES:
        # msgconvert writes a kept multipart/signed entity as a part of that type,
        # which a MIME reader then opens: look for its bytes in the file as well.
        texts = [converted.as_bytes()] + [p.get_payload(decode=True) or b"" for p in converted.walk()
                                          if not p.is_multipart()]
        entity = mime_entity(raw).replace(b"\r\n", b"\n").strip()
        if not any(entity in t.replace(b"\r\n", b"\n") for t in texts):
            problems.add(where, "the S/MIME entity is not there byte for byte")
        return
    if want.plain is not None and (got.plain is None or lines(got.plain).strip() != lines(want.plain).strip()):
        problems.add(where, "plain body differs")
    files = lambda p: [a["data"].replace(b"\r\n", b"\n") for a in p.attachments if a.get("data")]
    missing = [h for h in files(want) if h not in files(got)]
    if missing:
        problems.add(where, f"{len(missing)} attachment(s) missing or changed")


def main(argv):
    problems = Problems()
    if len(argv) >= 2 and argv[0] == "structure":
        open_msg(argv[1], problems)
    elif len(argv) >= 4 and argv[0] == "attachment":
        attachments = open_msg(argv[1], problems).attachments
        with open(argv[3], "wb") as f:
            f.write(attachments[int(argv[2])].get(0x3701, PT_BINARY, b"") if int(argv[2]) < len(attachments) else b"")
    elif len(argv) >= 3 and argv[0] == "compare":
        arrival = converted = None
        rest = argv[3:]
        while rest:
            if rest[0] == "--arrival":
                arrival = datetime.datetime.fromisoformat(rest[1])
            elif rest[0] == "--converted":
                converted = rest[1]
            rest = rest[2:]
        with open(argv[1], "rb") as f:
            raw = f.read()
        eml = email.message_from_bytes(raw, policy=email.policy.default)
        m = open_msg(argv[2], problems)
        compare("msg", eml, m, arrival, problems, raw)
        if converted:
            with open(converted, "rb") as f:
                compare_converted(eml, email.message_from_binary_file(f, policy=email.policy.default), problems, raw)
    else:
        print(__doc__)
        return 2
    for p in problems:
        print(p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
