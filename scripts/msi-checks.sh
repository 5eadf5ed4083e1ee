# shellcheck shell=bash disable=SC2317,SC2154
# (The checks are called by name, out of shellcheck's sight; $root, $scratch, $packages,
# $version and $publisher are the caller's.)
# The checks of the Windows Installer packages, sourced by scripts/package-checks.sh, which calls
# one of them per CTest test (packaging/checks/CMakeLists.txt gives their order and names).
#
# Without Wine: msiinfo reads the tables back (Property, Shortcut, Upgrade, Component, Directory,
# File, Registry), the MSI holds the zip's files byte for byte, and a second build of each MSI
# has the same files and tables apart from the codes that are new for each build.
# Under Wine, in fresh prefixes with a HOME of their own and no menu integration
# (scripts/wine-fixture.sh): 64-bit Wine always, with both MSIs; 32-bit Wine where this machine
# runs it. Each MSI is installed over one of a lower version (made here), installed again,
# refused when a lower version is installed over it, and checked installed: its files, their
# machine type, its one Start-menu shortcut, its "Apps and features" entry, and the installed
# program started through the shortcut showing its window. Both installed side by side,
# removing one leaves the other whole; removing the last leaves nothing of ours on disk or in
# the registry.

# shellcheck source=scripts/wine-fixture.sh
source "$root/scripts/wine-fixture.sh"

# The fixed upgrade codes (packaging/windows/rozovevi.wxs): a change would make the next version
# install beside the installed one instead of replacing it.
readonly MSI_UPGRADE_CODE_WIN32='{69423174-D737-49FA-AC7C-12050D82355E}'
readonly MSI_UPGRADE_CODE_WIN64='{498CF154-A053-4EF9-929D-4C8EE4D347DA}'
readonly MSI_UNINSTALL_KEY='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
# Time limits, in seconds: one msiexec run, one start of the program through its shortcut.
readonly MSI_INSTALL_LIMIT=120
readonly MSI_PROBE_LIMIT=60

# The product name of each architecture's package, as its entry and shortcut show it.
msi_product_name() { if [[ $1 == win64 ]]; then echo 'ROZoveVI (64-bit)'; else echo ROZoveVI; fi; }

# Windows Installer's three-number version of a version text: 5.00.0001 is 5.0.1.
msi_version_of() {
  local major minor build
  IFS=. read -r major minor build <<<"$1"
  echo "$((10#$major)).$((10#$minor)).$((10#$build))"
}

# A version text one step lower than the one given (5.00.0001 gives 5.00.0000).
msi_lower_version_text() {
  local major minor build
  IFS=. read -r major minor build <<<"$1"
  major=$((10#$major)) minor=$((10#$minor)) build=$((10#$build))
  if ((build > 0)); then
    build=$((build - 1))
  elif ((minor > 0)); then
    minor=$((minor - 1)) build=9999
  else
    major=$((major - 1)) minor=99 build=9999
  fi
  printf '%d.%02d.%04d\n' "$major" "$minor" "$build"
}

# One table of an MSI without msiinfo's three header lines. msiinfo writes a table's binary
# column (the Icon table's) into the folder it runs in: the scratch folder. MSI is absolute.
msi_table() { (cd "$scratch" && msiinfo export "$1" "$2") | tail -n +4 | tr -d '\r'; }

msi_property() { msi_table "$1" Property | awk -F'\t' -v name="$2" '$1 == name { print $2 }'; }

# --- The tables -----------------------------------------------------------------------------

msi_tables_check() { # ARCH MSI VERSION PUBLISHER
  local arch=$1 msi=$2 name upgrade_code folder template component_bit
  name="$(msi_product_name "$arch")"
  if [[ $arch == win64 ]]; then
    upgrade_code=$MSI_UPGRADE_CODE_WIN64 folder=ProgramFiles64Folder template='x64;1033'
    component_bit=256
  else
    upgrade_code=$MSI_UPGRADE_CODE_WIN32 folder=ProgramFilesFolder template='Intel;1033'
    component_bit=0
  fi
  local problems=() expected actual
  for expected in "ProductName=$name" "ProductVersion=$(msi_version_of "$3")" \
    "Manufacturer=$4" "UpgradeCode=$upgrade_code" ALLUSERS=1 ARPNOMODIFY=1 ARPNOREPAIR=1; do
    actual="$(msi_property "$msi" "${expected%%=*}")"
    [[ "${expected%%=*}=$actual" == "$expected" ]] ||
      problems+=("Property ${expected%%=*} is '$actual', expected '${expected#*=}'")
  done
  [[ -z "$(msi_property "$msi" ARPHELPLINK)" ]] || problems+=("an ARPHELPLINK with no real page")
  # The product icon names an Icon row, its name ending in the extension of what it holds.
  local icon
  icon="$(msi_property "$msi" ARPPRODUCTICON)"
  [[ "$icon" == *.ico || "$icon" == *.exe ]] || problems+=("ARPPRODUCTICON '$icon'")
  grep -qxF "$icon" <<<"$(msi_table "$msi" Icon | cut -f1)" || problems+=("no Icon row '$icon'")

  local summary
  summary="$(msiinfo suminfo "$msi")"
  grep -qxF "Template: $template" <<<"$summary" ||
    problems+=("summary template is not $template")
  grep -qF "$3" <<<"$summary" || problems+=("the description lacks $3")

  # Exactly the three files, each the key path of its own component in ROZoveVI under the
  # architecture's Program Files; 64-bit components marked so.
  actual="$(msi_table "$msi" File | cut -f3 | LC_ALL=C sort | tr '\n' ' ')"
  [[ "$actual" == "README.txt ROZoveVI.exe rozovevi-io.exe " ]] || problems+=("files: $actual")
  actual="$(msi_table "$msi" Directory | awk -F'\t' '$1 == "INSTALLDIR" { print $2 "/" $3 }')"
  [[ "$actual" == "$folder/ROZoveVI" ]] || problems+=("INSTALLDIR is $actual")
  # (awk turns the empty Condition column into "-", which read would otherwise skip.)
  while read -r component directory attributes key; do
    [[ $directory == INSTALLDIR && $key != - ]] || problems+=("component $component: $directory")
    (((attributes & 256) == component_bit)) ||
      problems+=("component $component has attributes $attributes")
  done < <(msi_table "$msi" Component | awk -F'\t' '{ print $1, $3, $4, ($6 == "" ? "-" : $6) }')

  # One shortcut, in the Start menu's programs, to the installed exe, with the icon and the
  # program's folder as working directory.
  actual="$(msi_table "$msi" Shortcut | awk -F'\t' '{ print $2 "|" $3 "|" $5 "|" $9 "|" $12 }')"
  [[ "$actual" == "ProgramMenuFolder|$name|[#ROZoveVI.exe]|$icon|INSTALLDIR" ]] ||
    problems+=("shortcuts: $actual")
  # Nothing of ours in the registry beyond what Windows Installer writes for every product.
  [[ -z "$(msi_table "$msi" Registry)" ]] || problems+=("Registry rows: $(msi_table "$msi" Registry)")

  # A major upgrade: lower versions of this upgrade code are removed, a higher one is detected
  # and stops the install with a message.
  local version
  version="$(msi_version_of "$3")"
  # Attributes: 2 only detects; 256 and 512 would include the bounds (the same version is no
  # upgrade: two builds of one version may sit side by side).
  local removes_lower=false detects_higher=false
  while IFS='|' read -r code minimum maximum attributes; do
    [[ $code == "$upgrade_code" ]] || continue
    [[ -z $minimum && $maximum == "$version" && $((attributes & (2 | 512))) -eq 0 ]] &&
      removes_lower=true
    [[ $minimum == "$version" && -z $maximum && $((attributes & (2 | 256))) -eq 2 ]] &&
      detects_higher=true
  done < <(msi_table "$msi" Upgrade | awk -F'\t' '{ print $1 "|" $2 "|" $3 "|" $5 }')
  $removes_lower && $detects_higher || problems+=("Upgrade rows: $(msi_table "$msi" Upgrade)")
  grep -q '^NOT WIX_DOWNGRADE_DETECTED	A later version of' <<<"$(msi_table "$msi" LaunchCondition)" ||
    problems+=("no message refusing a downgrade")
  grep -qx RemoveExistingProducts <<<"$(msi_table "$msi" InstallExecuteSequence | cut -f1)" ||
    problems+=("no RemoveExistingProducts")

  ((${#problems[@]} == 0)) || { printf '%s\n' "${problems[@]}"; return 1; }
}

# The packed files are the zip's, byte for byte.
msi_holds_zip_files() { # MSI ZIP
  local dir="$scratch/msi-files-$(basename "$1" .msi)"
  rm -rf "$dir" && mkdir -p "$dir/msi" "$dir/zip"
  msiextract -C "$dir/msi" "$1" >/dev/null && unzip -q "$2" -d "$dir/zip" || return 1
  # msiextract names the folders as the Directory table does ("Program Files/ROZoveVI").
  diff -r "$(find "$dir/msi" -type d -name ROZoveVI)" "$dir/zip/$(basename "$2" .zip)"
}

# Two MSIs of the same build have the same tables and files; only the product code, the package
# code (summary field 9) and the creation and save times (12, 13) are new for each build.
msi_same_content() { # MSI OTHER_MSI
  local dir="$scratch/msi-dump-$(basename "$1" .msi)" name
  rm -rf "$dir" && mkdir -p "$dir/1" "$dir/2"
  # msidump writes the binary columns (the Icon table's) into the folder it runs in.
  (cd "$dir/1" && msidump -t -s -d . "$1" >/dev/null) &&
    (cd "$dir/2" && msidump -t -s -d . "$2" >/dev/null) || return 1
  for name in 1 2; do
    sed -i '/^ProductCode\t/d' "$dir/$name/Property.idt"
    sed -i -E '/^(9|12|13)\t/d' "$dir/$name/_SummaryInformation.idt"
    # The stream's name starts with a control character.
    rm -f "$dir/$name/_Streams/"*SummaryInformation
  done
  diff -r "$dir/1" "$dir/2" &&
    [[ "$(msi_property "$1" ProductCode)" != "$(msi_property "$2" ProductCode)" ]]
}

# --- Under Wine -------------------------------------------------------------------------------

msiexec_run() { # WHAT MSIEXEC-ARGUMENTS...
  local what=$1
  shift
  wine_run "$MSI_INSTALL_LIMIT" "$what" msiexec "$@"
}

# The "Apps and features" entries named NAME, in both registry views of a 64-bit prefix, as
# "key|value name|data" lines.
msi_entries() { # NAME
  local views=(/reg:64 /reg:32) view
  [[ $WINEARCH == win64 ]] || views=("")
  for view in "${views[@]}"; do
    wine_run 60 "reading the uninstall entries" reg query "$MSI_UNINSTALL_KEY" /s ${view:+"$view"} \
      2>/dev/null | tr -d '\r' | awk -v name="$1" '
        /^HKEY_/ { key = $0; next }
        /^    [^ ]/ {
          line = substr($0, 5); split(line, part, /    /)
          values[key] = values[key] key "|" part[1] "|" part[3] "\n"
          if (part[1] == "DisplayName" && part[3] == name) named[key] = 1
        }
        END { for (key in named) printf "%s", values[key] }'
  done
}

# One entry named NAME, with that version, publisher and no Modify or Repair.
msi_one_entry() { # NAME VERSION PUBLISHER
  local entries count
  entries="$(msi_entries "$1")"
  echo "$entries" | grep -E '\|(DisplayName|DisplayVersion|Publisher|NoModify|NoRepair)\|'
  count="$(grep -c '|DisplayName|' <<<"$entries" || true)"
  ((count == 1)) || { echo "$count entries named $1"; return 1; }
  grep -q "|DisplayVersion|$2\$" <<<"$entries" && grep -q "|Publisher|$3\$" <<<"$entries" &&
    grep -q '|NoModify|0x1$' <<<"$entries" && grep -q '|NoRepair|0x1$' <<<"$entries"
}

msi_no_entry() { # NAME
  local entries
  entries="$(msi_entries "$1")"
  [[ -z "$entries" ]] || { echo "$entries"; return 1; }
}

# Where an architecture's package installs in the current prefix.
msi_install_dir() { # ARCH
  if [[ $1 == win32 && $WINEARCH == win64 ]]; then
    echo "$WINEPREFIX/drive_c/Program Files (x86)/ROZoveVI"
  else
    echo "$WINEPREFIX/drive_c/Program Files/ROZoveVI"
  fi
}

# The product's shortcuts in the Start menu's programs: the all-users one (where Windows puts a
# per-machine shortcut) or the installing user's (where Wine 8 puts it).
msi_shortcuts() { # NAME
  find "$WINEPREFIX/drive_c" -path '*/Start Menu/Programs/*' -name "$1.lnk" 2>/dev/null
}

# The installed files are the zip's, the exes of the architecture's machine type.
msi_files_installed() { # ARCH
  local dir machine
  dir="$(msi_install_dir "$1")"
  machine=i386
  [[ $1 == win32 ]] || machine=x86-64
  local listed
  listed="$(find "$dir" -mindepth 1 -printf '%f\n' 2>&1 | LC_ALL=C sort | tr '\n' ' ')"
  [[ "$listed" == "README.txt ROZoveVI.exe rozovevi-io.exe " ]] ||
    { echo "$dir holds: $listed"; return 1; }
  diff -r "$dir" "$(zip_folder "$1")" &&
    pe_check "$dir/ROZoveVI.exe" "$machine" gui && pe_check "$dir/rozovevi-io.exe" "$machine" console
}

# The one shortcut points at the installed exe, in the program's folder, with an icon; unless
# told --resolve-only, the program started through it shows its window and ends when it closes.
msi_shortcut_starts() { # ARCH [--resolve-only]
  local name shortcuts report folder
  name="$(msi_product_name "$1")"
  mapfile -t shortcuts < <(msi_shortcuts "$name")
  ((${#shortcuts[@]} == 1)) || { echo "shortcuts named $name: ${shortcuts[*]}"; return 1; }
  echo "${shortcuts[0]#"$WINEPREFIX/"}"
  folder="$(wine_path_of "$(msi_install_dir "$1")")"
  report="$(wine_run "$MSI_PROBE_LIMIT" "starting the program through its shortcut" \
    "$MSI_PROBE" ${2:+"$2"} "$(wine_path_of "${shortcuts[0]}")" 2>&1 | tr -d '\r')" || {
    echo "$report"
    return 1
  }
  echo "$report"
  # Windows compares paths without regard to case; a working directory may end in a backslash.
  local target directory
  target="$(sed -n 's/^target: //p' <<<"$report")"
  directory="$(sed -n 's/^working directory: //p' <<<"$report")"
  directory="${directory%\\}"
  [[ "${target,,}" == "${folder,,}\\rozovevi.exe" && "${directory,,}" == "${folder,,}" ]] ||
    { echo "expected $folder\\ROZoveVI.exe, started in $folder"; return 1; }
  grep -qiE '^icon: .+\.(ico|exe),0$' <<<"$report" || { echo "no icon"; return 1; }
  [[ -n ${2:-} ]] || grep -qE '^window shown: ROZoveVI [0-9]+x[0-9]+$' <<<"$report"
}

# Installing a lower version over a higher one fails, because the higher one was detected: the
# launch condition on that detection holds the message (see the tables check). Wine's log shows
# the detection but not the message.
msi_downgrade_refused() { # MSI
  local log="$SESSION_DIR/msi-downgrade.log" status=0
  rm -f "$log"
  msiexec_run "installing a lower version" /i "$(wine_path_of "$1")" /qn \
    '/l*v' "$(wine_path_of "$log")" >/dev/null 2>&1 || status=$?
  ((status != 0)) || { echo "msiexec installed it"; return 1; }
  [[ -f "$log" ]] || { echo "msiexec failed (exit status $status) and wrote no log"; return 1; }
  # Matched in the whole log, read to its end: a reader that stops at the first match ends the
  # writer before it with SIGPIPE, which pipefail turns into a failure whenever the writer had
  # more to write at that moment, depending on where in the log the line falls.
  tr -d '\r' <"$log" >"$log.txt"
  grep -a -E '^Property\(S\): WIX_DOWNGRADE_DETECTED = \{' "$log.txt" ||
    { echo "msiexec failed (exit status $status) without detecting the higher version:"
      tail -n 20 "$log.txt"; return 1; }
}

# Nothing of ours on disk, and no key or value naming the product, its product, upgrade or
# component codes, or its files in the registry (Wine's regedit exports the whole registry).
msi_nothing_left() { # MSI...
  local left export="$SESSION_DIR/registry.reg" msi code patterns=(-e rozovevi)
  left="$(find "$WINEPREFIX/drive_c" -iname '*rozovevi*' 2>/dev/null)"
  [[ -z "$left" ]] || { echo "left on disk:"; echo "$left"; return 1; }
  for msi in "$@"; do
    for code in "$(msi_property "$msi" ProductCode)" "$(msi_property "$msi" UpgradeCode)" \
      $(msi_table "$msi" Component | cut -f2); do
      code="${code//[\{\}-]/}"
      # Windows Installer's own keys name a code in a packed form: the first three groups
      # reversed, then each byte's two digits swapped.
      patterns+=(-e "${code:0:8}" -e "$(msi_packed_code "$code")")
    done
  done
  rm -f "$export"
  wine_run 60 "exporting the registry" regedit /E "$(wine_path_of "$export")" >/dev/null 2>&1 ||
    return 1
  iconv -f UTF-16LE -t UTF-8 "$export" | tr -d '\r' >"$export.txt" || return 1
  grep -qi '^\[HKEY_LOCAL_MACHINE\\Software\\Microsoft' "$export.txt" ||
    { echo "the registry export is empty"; return 1; }
  left="$(grep -i "${patterns[@]}" "$export.txt")"
  [[ -z "$left" ]] || { echo "left in the registry:"; echo "$left"; return 1; }
}

msi_packed_code() { # 32 HEX DIGITS
  local code=$1 packed="" i
  packed+="$(rev <<<"${code:0:8}")$(rev <<<"${code:8:4}")$(rev <<<"${code:12:4}")"
  for ((i = 16; i < 32; i += 2)); do packed+="${code:i+1:1}${code:i:1}"; done
  echo "$packed"
}


# --- The checks by architecture ---------------------------------------------------------------

msi_file() { echo "$packages/ROZoveVI-$version-$1.msi"; } # ARCH
msi_lower_file() { echo "$scratch/msi-lower/ROZoveVI-$(msi_lower_version_text "$version")-$1.msi"; }

msi_tables() { msi_tables_check "$1" "$(msi_file "$1")" "$version" "$publisher"; } # ARCH
msi_holds_zip() { msi_holds_zip_files "$(msi_file "$1")" "$packages/ROZoveVI-$version-$1.zip"; }

msi_no_shared() { msi_no_shared_component "$(msi_file win32)" "$(msi_file win64)"; }


msi_make_lower_versions() { msi_make_lower "$(msi_lower_version_text "$version")"; }

# --- Under Wine: one session (prefix and display) per Wine architecture, kept between checks --

# Builds the shortcut probe for that Wine and starts a fresh prefix with a HOME of its own.
msi_wine_start() { # win32|win64 SESSION
  local machine=x86_64
  [[ $1 == win64 ]] || machine=i686
  "$machine-w64-mingw32-g++" -std=c++17 -Wall -Wextra -Wpedantic -Werror -O1 -municode -static \
    "$root/tests/package/shortcut_probe.cpp" -o "$scratch/shortcut_probe_$2.exe" -lole32 -luuid ||
    return 1
  fixture_start "$scratch/$2" "$1" --own-home
}
msi_wine_stop() { fixture_stop "$scratch/$1"; } # SESSION

# Runs one check in a session: in_session SESSION CHECK [ARGUMENTS...]. Sessions run side by
# side: what a check keeps goes into the session's own folder, SESSION_DIR.
in_session() {
  SESSION_DIR="$scratch/$1"
  session_load "$SESSION_DIR" || return 1
  MSI_PROBE="$scratch/shortcut_probe_$1.exe"
  shift
  "$@"
}

msi_version_text_of() { if [[ $1 == lower ]]; then msi_lower_version_text "$version"; else echo "$version"; fi; }

msi_file_of() { if [[ $2 == lower ]]; then msi_lower_file "$1"; else msi_file "$1"; fi; } # ARCH WHICH

msi_install() { # ARCH lower|current
  local msi
  msi="$(msi_file_of "$1" "$2")"
  msiexec_run "installing $msi" /i "$(wine_path_of "$msi")" /qn
}

msi_has_entry() { # ARCH lower|current
  msi_one_entry "$(msi_product_name "$1")" "$(msi_version_of "$(msi_version_text_of "$2")")" \
    "$publisher"
}

msi_refuses_downgrade() { msi_downgrade_refused "$(msi_lower_file "$1")"; } # ARCH

# The program is started through the shortcut where this machine runs its bitness; elsewhere
# the shortcut's target is only resolved.
msi_shortcut_check() { # ARCH
  if [[ $1 == win64 ]] || wine_can_run_32bit; then
    msi_shortcut_starts "$1"
  else
    echo "(the 32-bit program is not started: $WINE_32BIT_WHY)"
    msi_shortcut_starts "$1" --resolve-only
  fi
}

msi_removed() { msiexec_run "removing $(msi_file "$1")" /x "$(wine_path_of "$(msi_file "$1")")" /qn; }

msi_nothing_of_left() { # ARCH...
  local arch msis=()
  for arch in "$@"; do msis+=("$(msi_file "$arch")" "$(msi_lower_file "$arch")"); done
  msi_nothing_left "${msis[@]}"
}


msi_make_lower() { # VERSION_TEXT
  local arch
  for arch in win32 win64; do
    bash "$root/scripts/make-msi.sh" "$root/build/package-$arch" "$scratch/msi-lower" \
      "ProductVersion=$(msi_version_of "$1")" "VersionText=$1" || return 1
  done
}

msi_both_installed() {
  local arch
  for arch in win32 win64; do
    msi_one_entry "$(msi_product_name "$arch")" "$(msi_version_of "$version")" "$publisher" ||
      return 1
    [[ "$(msi_shortcuts "$(msi_product_name "$arch")" | wc -l)" -eq 1 ]] ||
      { echo "no $arch shortcut"; return 1; }
    msi_files_installed "$arch" || return 1
  done
}

msi_win64_whole() {
  msi_one_entry "$(msi_product_name win64)" "$(msi_version_of "$version")" "$publisher" &&
    msi_files_installed win64 && msi_shortcut_starts win64 &&
    msi_no_entry "$(msi_product_name win32)" &&
    [[ ! -e "$(msi_install_dir win32)" ]] && [[ -z "$(msi_shortcuts "$(msi_product_name win32)")" ]]
}

msi_rebuilt_same() { # ARCH
  local again
  again="$(bash "$root/scripts/make-msi.sh" "$root/build/package-$1" "$scratch/msi-again-$1")" &&
    msi_same_content "$(msi_file "$1")" "$again"
}

msi_no_shared_component() { # MSI MSI
  local shared
  shared="$(comm -12 <(msi_table "$1" Component | cut -f2 | sort) \
    <(msi_table "$2" Component | cut -f2 | sort))"
  [[ -z "$shared" ]] || { echo "shared: $shared"; return 1; }
}
