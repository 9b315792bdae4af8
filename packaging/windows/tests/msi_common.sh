# What the installer tests share (sourced): their work folder, the MSIs they
# make, the batch file they run under Wine in one fresh prefix, and how they
# read its output.
#   source msi_common.sh SOURCE_DIR BUILD_WINDOWS_DIR PROBE_EXE TEST_NAME

msi_source=$1 msi_build=$2 msi_probe_exe=$3 msi_name=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
  echo "$msi_name: $*" >&2
  exit 1
}

# The Windows path of a Unix path (Wine's Z: drive).
windows_path() { echo "Z:${1//\//\\}"; }

probe=$(windows_path "$msi_probe_exe")
program_files='C:\Program Files\Vigil 2.0' system='C:\windows\system32'
service_key='HKLM\SYSTEM\CurrentControlSet\Services\Vigil20'
web_service_key='HKLM\SYSTEM\CurrentControlSet\Services\VigilWeb'
web_source='HKLM\SYSTEM\CurrentControlSet\Services\EventLog\System\VigilWeb'
settings_key='HKLM\Software\Tessaly\Vigil 2.0'
agents='HKLM\SYSTEM\CurrentControlSet\Services\SNMP\Parameters\ExtensionAgents'
manual="$program_files\\Manual do Vigil 2.0.pdf"
installed=("$program_files\alerter.exe" "$program_files\vigil-web.exe" "$program_files\VigilAgent20.dll" "$program_files\VIGIL20-MIB.txt" "$manual"
  "$system\LineTap.dll" "$system\Vigil20.cpl" "$system\vigil20s.exe")

# make_msi VERSION NAME: the installer of this build as $work/NAME.msi.
make_msi() {
  mkdir -p "$work/msi-$1"
  "$msi_source/packaging/windows/make-msi.sh" "$msi_build" "$1" "$work/msi-$1" >/dev/null
  mv "$work/msi-$1/Vigil20-$1-x64.msi" "$work/$2.msi"
  rmdir "$work/msi-$1"
}

# The batch lines that print "PREFIX FILE" for each installed file that
# exists.
existing_files() {
  for file in "${installed[@]}"; do echo "if exist \"$file\" echo $1 $file"; done
}

# set_lines WORDS: the batch lines that make WORDS the active inputs of the
# line file, replaced in one rename: a service that reads it in between
# must not see every input inactive (a critical battery).
set_lines() {
  echo "echo $1>\"%lines%.new\""
  echo "move /y \"%lines%.new\" \"%lines%\" >nul"
}

# run_batch: runs $work/check.bat under Wine, the service's line simulator
# set up (every input active), and leaves its output in $out.
run_batch() {
  local status=0
  out=$(VIGIL_WINE_SIMLINES=1 "$msi_source/tests/support/wine/run.sh" --dir "$msi_build/wine" \
    cmd /c "$(windows_path "$work/check.bat")" 2>&1) || status=$?
  out=$(tr -d '\r' <<<"$out")
  echo "$out"
  echo "$msi_name: Wine's cmd ended with status $status"
  grep -qx 'done' <<<"$out" || fail "the check did not run to its end"
}

# section NAME: the output lines between "begin NAME" and "end NAME".
section() { sed -n "/^begin $1\$/,/^end $1\$/p" <<<"$out" | sed '1d;$d'; }

# values NAME: the registry values that `reg query /s` printed in section
# NAME, one "name|type|data" a line, sorted.
values() {
  section "$1" | sed -nE 's/^    ([^ ].*[^ ]|[^ ]) {4}(REG_[A-Z_]+) {4}(.*)$/\1|\2|\3/p; s/^    ([^ ].*[^ ]|[^ ]) {4}(REG_[A-Z_]+)$/\1|\2|/p' |
    LC_ALL=C sort
}
