#!/usr/bin/env bash
# install-layout.sh BUILD SOURCE: installs BUILD into a temporary system root and runs
# the installed batch mode as a user of that root would.
set -uo pipefail
build=$1
source=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/zev-install.XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# expect STATUS OUTPUT-PATTERN COMMAND...: the command's exit status and a line of its
# output (standard output and error together).
expect() {
    local status=$1 pattern=$2
    shift 2
    local output actual
    output=$("$@" 2>&1)
    actual=$?
    [ "$actual" -eq "$status" ] || fail "$* ended with $actual, not $status: $output"
    grep -qE -- "$pattern" <<<"$output" || fail "$*: no line like \"$pattern\" in: $output"
    last_output=$output
}

root=$work/root
cmake --install "$build" --prefix "$root" >/dev/null || { echo "FAIL: cmake --install" >&2; exit 1; }
for file in usr/bin/zev usr/bin/zev-gallery usr/share/zev/ZEVTradingAccountsReport_1_0.xsd \
    usr/share/zev/demo.db usr/share/zev/dbalias.ini etc/zev/ZEV.ini \
    usr/share/applications/zev.desktop usr/share/man/man1/zev.1.gz; do
    [ -f "$root/$file" ] || fail "$file is not installed"
done
installed=$(cd "$root" && find . | sort)

# Each run as a user of its own: no ZEV_HOME, the data folder under HOME.
run_as_user() {
    env -u ZEV_HOME -u XDG_DATA_HOME HOME="$work/home" "$@"
}
zev=$root/usr/bin/zev
data=$work/home/.local/share/zev
report_name='7004_100001[0-9]{14}\.xml'

# The first start copies the demo alias and database into the data folder and says so;
# the report and the working copy land there too.
expect 0 "^First start: .*$data/dbalias.ini, $data/demo.db\.$" \
    run_as_user "$zev" DEMO demo demo ana --report 30.09.2024
grep -qE "^Xml datoteka $data/porocila/$report_name uspešno generirana\.$" <<<"$last_output" ||
    fail "the report is not in the data folder: $last_output"
[ -f "$data/ZevXmlValidate.xml" ] || fail "no working copy in the data folder"
[ -f "$data/ZEVTradingAccountsReport_1_0.xsd" ] || fail "no schema beside the working copy"
report=$(ls "$data"/porocila/*.xml 2>/dev/null | head -1)
grep -q "<Month>9</Month>" "$report" 2>/dev/null || fail "the report is not the one of September"
[ "$(cd "$root" && find . | sort)" = "$installed" ] || fail "the run changed the installed files"

# A second start copies nothing.
expect 0 "uspešno generirana" run_as_user "$zev" DEMO demo demo ana --report 2024-09-30
grep -q "First start" <<<"$last_output" && fail "a second start copied the defaults again"

# The administrator's settings come first: ZEV.ini turns the debug log on, and an alias
# file in /etc/zev replaces the user's copy.
printf '[Splošno]\nDebug=1\n' >"$root/etc/zev/ZEV.ini"
printf '[OFFICE]\nDRIVER=SQLITE\nDATABASE=%s\n' "$data/demo.db" >"$root/etc/zev/dbalias.ini"
expect 0 "uspešno generirana" run_as_user "$zev" OFFICE demo demo ana --report 30.09.2024
grep -q "Generiranje xml-ja" "$data/Log.txt" 2>/dev/null || fail "no debug log in the data folder"
expect 1 "DEMO" run_as_user "$zev" DEMO demo demo ana --report 30.09.2024

# ZEV_HOME: one folder for everything, the defaults copied there at the first start;
# the schema is read from the installed data.
home=$work/zev-home
rm "$root/etc/zev/dbalias.ini"
expect 0 "^First start: .*$home/dbalias.ini, $home/demo.db, $home/ZEV.ini\.$" \
    env ZEV_HOME="$home" HOME="$work/home" "$zev" DEMO demo demo ana --report 30.09.2024
ls "$home"/porocila/*.xml >/dev/null 2>&1 || fail "no report in ZEV_HOME"

# The month-end run: the last day of the month before, and the program's exit status.
month_end=$source/docs/zev-month-end
expect 0 "report for 30.09.2024 was written and is valid" \
    run_as_user env ZEV_PROGRAM="$zev" ZEV_TODAY=2024-10-15 "$month_end" DEMO demo demo ana
expect 1 "no report for 29.02.2024 \(exit status 1\)" \
    run_as_user env ZEV_PROGRAM="$zev" ZEV_TODAY=2024-03-31 "$month_end" NOSUCH demo demo ana
stub=$work/invalid-report
printf '#!/bin/sh\necho "$@"\nexit 3\n' >"$stub" && chmod +x "$stub"
expect 3 "report for 31.12.2024 was written but is INVALID" \
    env ZEV_PROGRAM="$stub" ZEV_TODAY=2025-01-01 ZEV_ALIAS=A ZEV_USER=u ZEV_PASSWORD=p \
    ZEV_APPUSER=ana "$month_end"
grep -qx "A u p ana --report 31.12.2024" <<<"$last_output" ||
    fail "the month-end run passed another command line: $last_output"

if [ "$failures" -ne 0 ]; then
    echo "install-layout: $failures failures" >&2
    exit 1
fi
echo "install-layout: every check passed"
