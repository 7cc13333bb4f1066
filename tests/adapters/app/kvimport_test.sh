#!/usr/bin/env bash
# One end-to-end case of kvimport: kvimport_test.sh KVIMPORT SOURCE_DIR CASE
set -uo pipefail
KV=$1
SRC=$2
CASE=$3
WORK=$(mktemp -d "${TMPDIR:-/tmp}/kvimport-test.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
export LC_ALL=C.UTF-8

fail() { echo "FAIL [$CASE]: $*" >&2; exit 1; }

# run EXPECTED_CODE args...: runs kvimport (through $WRAP when set), keeps stdout in $OUT and stderr in $ERR.
WRAP=()
run() {
  local expected=$1; shift
  "${WRAP[@]}" "$KV" "$@" >"$WORK/out" 2>"$WORK/err" </dev/null
  local code=$?
  OUT=$(cat "$WORK/out"); ERR=$(cat "$WORK/err")
  [ "$code" = "$expected" ] || fail "kvimport $* exited $code, expected $expected; stderr: $ERR; stdout: $OUT"
}
contains() { grep -qF -- "$2" <<<"$1" || fail "expected \"$2\" in: $1"; }
# The .reg file is UTF-16, as regedit writes it.
reg_text() { iconv -f UTF-16 -t UTF-8 "$1"; }
lines() { [ "$(wc -l <<<"$1")" = "$2" ] || fail "expected $2 lines in: $1"; }

make_demo() {
  run 0 demo "$WORK/demo"
  REG="$WORK/demo/registry.reg"
  STORE="$WORK/demo/mail"
  COMMON=(--registry "$REG" --store "$STORE")
}

# What kvimport must leave alone when it refuses: the mails, the documents and
# the database (the host's manifest and the dialog's remembered choices may change).
snapshot() {
  (cd "$WORK/demo" && find mail dokumenter korvane.db -type f ! -name manifest.txt -exec md5sum {} + | sort
   find dokumenter -type d | sort)
}

case $CASE in
help)
  run 0 --help
  contains "$OUT" "demo"; contains "$OUT" "import"; contains "$OUT" "browse"; contains "$OUT" "Exit codes"
  for sub in demo import send browse mails; do
    run 0 "$sub" --help
    contains "$OUT" "Example"
  done
  run 0 import --help
  contains "$OUT" "--new-folder"; contains "$OUT" "--duplicates"; contains "$OUT" "3 settings or database"
  run 2 --no-such-option
  run 2
  ;;
demo)
  make_demo
  contains "$OUT" "kvimport import --registry $REG --store $STORE"
  [ -s "$WORK/demo/korvane.db" ] || fail "no database"
  [ -d "$WORK/demo/dokumenter" ] || fail "no document folders"
  contains "$(reg_text "$REG")" "\"DBCn\"=\"SERVER=(sqlite);DATABASE=$WORK/demo/korvane.db\""
  contains "$(reg_text "$REG")" '"UserRessId"=dword:00000001'
  [ "$(ls "$STORE/Inbox" | wc -l)" = 5 ] || fail "inbox: $(ls "$STORE/Inbox")"
  [ "$(ls "$STORE/Drafts" | wc -l)" = 1 ] || fail "drafts: $(ls "$STORE/Drafts")"
  [ "$(ls "$STORE/Calendar" | wc -l)" = 1 ] || fail "calendar: $(ls "$STORE/Calendar")"
  before=$(snapshot)
  run 2 demo "$WORK/demo"
  contains "$ERR" "is not empty"; lines "$ERR" 1
  [ "$before" = "$(snapshot)" ] || fail "the demo was changed"
  run 0 mails "${COMMON[@]}"
  contains "$OUT" "1	Tilbud på tagrenovering, Søndergade 12"
  contains "$OUT" "Referat af byggemøde nr. 4 – Søndergade 12"
  run 0 mails "${COMMON[@]}" --from Drafts
  contains "$OUT" "Svar på tilbud om tagrenovering"
  run 2 mails "${COMMON[@]}" --from Nowhere
  contains "$ERR" "--from"
  ;;
bad_arguments)
  make_demo
  before=$(snapshot)
  run 2 import --registry "$REG" --store "$WORK/nostore" --all
  contains "$ERR" "no mail store at $WORK/nostore"; contains "$ERR" "--store"; lines "$ERR" 1
  [ ! -e "$WORK/nostore" ] || fail "a store was created"
  run 2 import "${COMMON[@]}" --mail 9 --job 417
  contains "$ERR" "--mail 9 is out of range"; lines "$ERR" 1
  run 2 import "${COMMON[@]}" --job 417
  contains "$ERR" "--all, --mail N or --subject"
  run 2 import "${COMMON[@]}" --subject 'ingen.*sådan' --job 417
  contains "$ERR" "--subject"
  run 2 import "${COMMON[@]}" --open 6
  contains "$ERR" "--open 6 is out of range"
  run 2 import "${COMMON[@]}" --open /etc/hostname
  contains "$ERR" "is not an item of"
  run 2 import "${COMMON[@]}" --all --duplicates maybe
  contains "$ERR" "--duplicates"
  run 2 send 4 "${COMMON[@]}"
  contains "$ERR" "DRAFT 4 is out of range"
  run 2 browse "${COMMON[@]}" --type 12
  contains "$ERR" "--type"
  [ "$before" = "$(snapshot)" ] || fail "bad arguments changed the demo"
  ;;
database_faults)
  # No settings, or a database the add-in cannot use: refused at opening, before any mail is saved, and kvimport says why.
  make_demo
  run 3 import --registry "$WORK/none.reg" --store "$STORE" --all
  contains "$ERR" "no settings file $WORK/none.reg"; contains "$ERR" "--registry"; lines "$ERR" 1
  KV_REGISTRY_FILE="$WORK/none.reg" run 3 browse --store "$STORE"
  contains "$ERR" "$WORK/none.reg"
  DB="$WORK/demo/korvane.db"
  printf 'not a database' >"$WORK/demo/junk.db"
  while IFS='|' read -r db edit reason; do
    reg_text "$REG" | sed "s#$DB#$db#; $edit" | iconv -f UTF-8 -t UTF-16 >"$WORK/db.reg"
    run 3 import --registry "$WORK/db.reg" --store "$STORE" --mail 1 --job 417
    contains "$ERR" "settings or database unavailable"; contains "$ERR" "kvimport: reason: $reason"
  done <<EOF
$WORK/demo/gone.db||The database file does not exist: $WORK/demo/gone.db
$WORK/demo||The database file is a folder: $WORK/demo
$WORK/demo/junk.db||The file is not an SQLite database: $WORK/demo/junk.db
$DB|/UserRessId/d|the settings name no user (UserRessId)
EOF
  [ ! -e "$WORK/demo/gone.db" ] || fail "a database was created"
  chmod a-w "$DB"
  if [ "$(id -u)" = 0 ]; then
    chattr +i "$DB" 2>/dev/null || { echo "skip [$CASE]: no immutable files here"; exit 0; }
    trap 'chattr -i "$DB"; rm -rf "$WORK"' EXIT
  fi
  run 3 import "${COMMON[@]}" --mail 1 --job 417
  contains "$ERR" "kvimport: reason: The database file is read-only: $DB"
  [ -z "$(find "$WORK/demo/dokumenter" -name '*.msg')" ] || fail "saved: $(find "$WORK/demo/dokumenter" -name '*.msg')"
  ;;
stop_reasons)
  # A stopped import says how many mails it filed, why it stopped, and which mail it saved but did not record.
  make_demo
  sqlite3 "$WORK/demo/korvane.db" "CREATE TRIGGER refuse BEFORE INSERT ON DocMailImport WHEN NEW.Subject LIKE 'Referat%'
                                   BEGIN SELECT RAISE(ABORT, 'no room for Referat'); END;"
  run 1 import "${COMMON[@]}" --mail 1 --mail 2 --mail 3 --job 417
  contains "$ERR" "kvimport: filed before the stop: 1"; contains "$ERR" "kvimport: reason: no room for Referat"
  contains "$ERR" "kvimport: saved but not recorded in Korvane: $WORK/demo/dokumenter/Jobs/417/Referat af"
  # A procedure that answers failure shows no reason of its own.
  sqlite3 "$WORK/demo/korvane.db" "UPDATE kv_procedure SET body = 'SELECT ?1 * 0 + 1' WHERE name = 'DocMailImportExec'"
  run 1 import "${COMMON[@]}" --mail 3 --job 417
  contains "$ERR" "kvimport: filed before the stop: 0"; contains "$ERR" "DocMailImportExec did not answer success"
  contains "$ERR" "kvimport: saved but not recorded in Korvane: $WORK/demo/dokumenter/Jobs/417/Faktura"
  # A folder that takes no file, read-only or on a full disk: a mount of its own in a namespace of its own.
  unshare -rm true 2>/dev/null || { echo "skip [$CASE]: no mount namespaces here"; exit 0; }
  J="$WORK/demo/dokumenter/Jobs/417/Tilbud"
  while IFS='|' read -r setup reason; do
    WRAP=(unshare -rm bash -c "$setup"' && exec "$@"' _)
    run 1 import "${COMMON[@]}" --mail 4 --job 417 --folder Tilbud
    contains "$ERR" "kvimport: filed before the stop: 0"; contains "$ERR" "($reason)"
  done <<EOF
mount --bind -o ro '$J' '$J'|the file system of $J is read-only
mount -t tmpfs -o size=64k tmpfs '$J' && { cat /dev/zero >'$J/fill' 2>/dev/null; true; }|the disk of $J is full
EOF
  ;;
unreadable_left_out)
  # Chosen mails whose file is no mail are left out, each named; the others are filed, and the code says not all were.
  make_demo
  : >"$STORE/Inbox/tom.eml"
  printf '%%PDF-1.4\n%%\xe2\xe3\n1 0 obj\n' >"$STORE/Inbox/binær.eml"
  printf 'X-Foo: bar\r\nweird header: yes\r\n\r\nbody' >"$STORE/Inbox/vrøvl.eml"
  run 4 import "${COMMON[@]}" --all --job 417
  for name in tom binær vrøvl; do contains "$ERR" "kvimport: left out: Cannot read the mail \"$STORE/Inbox/$name.eml\""; done
  contains "$ERR" "kvimport: not every chosen mail was filed: 3 could not be read"; lines "$ERR" 4
  contains "$OUT" "Importeret: 5"
  [ "$(find "$WORK/demo/dokumenter" -name '*.msg' | wc -l)" = 5 ] || fail "msg files: $(find "$WORK/demo/dokumenter" -name '*.msg')"
  before=$(snapshot)
  run 4 import "${COMMON[@]}" --open "$STORE/Inbox/tom.eml" --job 417
  contains "$ERR" "left out: Cannot read the mail"; contains "$ERR" "nothing was filed"
  [ "$before" = "$(snapshot)" ] || fail "an unreadable mail changed the demo"
  ;;
send)
  make_demo
  run 0 send 1 "${COMMON[@]}" --job 417
  contains "$OUT" "Sendt: Svar på tilbud om tagrenovering"
  [ -z "$(ls "$STORE/Drafts")" ] || fail "the draft is still in Drafts"
  [ "$(ls "$STORE/Sent Items" | wc -l)" = 1 ] || fail "sent: $(ls "$STORE/Sent Items")"
  cp "$SRC/tests/data/mail/draft_bad.eml" "$STORE/Drafts/"
  run 1 send 1 "${COMMON[@]}" --job 417
  contains "$ERR" "Alle modtagere kunne ikke genkendes af Outlook"
  contains "$ERR" "not every recipient"
  [ "$(ls "$STORE/Sent Items" | wc -l)" = 1 ] || fail "the unresolved draft was sent"
  ;;
browse)
  make_demo
  KV_REGISTRY_FILE="$REG" KV_MAIL_STORE="$STORE" run 0 browse
  contains "$OUT" "Ressourcetyper:"; contains "$OUT" "3	Kunder og Internt"; contains "$OUT" "8	Medievirksomheder"
  contains "$OUT" "Ressourcer ("
  run 0 browse "${COMMON[@]}" --type 3 --resource 100 --status 3
  contains "$OUT" "R100"; contains "$OUT" "Ålborg Tømrerfirma ApS"; contains "$OUT" "J417"
  contains "$OUT" "Dokumenter"
  run 2 browse "${COMMON[@]}" --resource 999
  contains "$ERR" "resource 999 is not in the resource list"; contains "$ERR" "--resource"; lines "$ERR" 1
  run 2 browse "${COMMON[@]}" --job 99999
  contains "$ERR" "--job"
  run 2 browse "${COMMON[@]}" --job 417 --folder Findes/Ikke
  contains "$ERR" "--folder"
  ;;
import_and_duplicates)
  make_demo
  run 0 import "${COMMON[@]}" --mail 1 --mail 2 --type 3 --resource 100 --job-item 417
  contains "$OUT" "Importeret: 2"
  run 0 import "${COMMON[@]}" --mail 3 --job 417 --new-folder "Fakturaer"
  contains "$OUT" "Importeret: 1"
  run 0 import "${COMMON[@]}" --open 4 --job 417 --log-level 3
  contains "$OUT" "Importeret: 1"
  [ "$(find "$WORK/demo/dokumenter" -name '*.msg' | wc -l)" = 4 ] || fail "msg files: $(find "$WORK/demo/dokumenter" -name '*.msg')"
  find "$WORK/demo/dokumenter" -path '*Fakturaer/*.msg' | grep -q . || fail "no mail in the new folder"
  run 0 import "${COMMON[@]}" --mail 1 --job 417 --duplicates skip
  contains "$OUT" "sprunget over: 1"
  "$KV" import "${COMMON[@]}" --mail 1 --job 417 --duplicates ask <<<"j" >"$WORK/out" 2>"$WORK/err" || fail "ask: $(cat "$WORK/err")"
  contains "$(cat "$WORK/err")" "findes allerede i databasen"
  contains "$(cat "$WORK/out")" "Importeret: 1"
  ;;
new_folder_refused)
  # A name in use, a device name and a link in the way: nothing is filed into the parent instead.
  make_demo
  ln -s "$WORK" "$WORK/demo/dokumenter/Jobs/417/Link"
  for name in Tilbud CON Link; do
    run 2 import "${COMMON[@]}" --mail 1 --job 417 --new-folder "$name"
    contains "$ERR" "the new folder \"$name\" was not made: "; contains "$ERR" "--new-folder"
  done
  [ -z "$(find "$WORK/demo/dokumenter" -name '*.msg')" ] || fail "filed: $(find "$WORK/demo/dokumenter" -name '*.msg')"
  ;;
ribbon_only)
  # "Toolbars" = "0": the add-in builds no toolbar, and kvimport presses the
  # ribbon's buttons instead, each in its own window.
  make_demo
  # With the toolbars, an appointment's window has no Korvane button either.
  run 2 import "${COMMON[@]}" --from Calendar --open 1 --job 417
  contains "$ERR" "is it a mail?"
  { reg_text "$REG"
    printf '\r\n[HKEY_CURRENT_USER\\Software\\Tolvenor\\Korvane\\OutlookSettings]\r\n"Toolbars"="0"\r\n'
  } | iconv -f UTF-8 -t UTF-16 >"$WORK/ribbon.reg"
  RIBBON=(--registry "$WORK/ribbon.reg" --store "$STORE")
  run 0 import "${RIBBON[@]}" --mail 1 --job 417
  contains "$OUT" "Importeret: 1"
  run 0 import "${RIBBON[@]}" --open 4 --job 417
  contains "$OUT" "Importeret: 1"
  run 0 send 1 "${RIBBON[@]}" --job 417
  contains "$OUT" "Sendt: Svar på tilbud om tagrenovering"
  [ "$(find "$WORK/demo/dokumenter" -name '*.msg' | wc -l)" = 3 ] || fail "msg files: $(find "$WORK/demo/dokumenter" -name '*.msg')"
  run 2 import "${RIBBON[@]}" --from Calendar --open 1 --job 417
  contains "$ERR" "is it a mail?"
  grep -q "Korvane" "$STORE/manifest.txt" && fail "a toolbar was kept: $(grep Korvane "$STORE/manifest.txt")"
  ;;
*)
  fail "unknown case"
  ;;
esac
echo "ok [$CASE]"
