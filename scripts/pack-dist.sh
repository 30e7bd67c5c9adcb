#!/usr/bin/env bash
# The release files, reproducibly: dist/Glyphwell-1.11-x64.zip (the program
# with its lang/ and doc/ folders), dist/Glyphwell-1.11-x64.msi (the same
# files as a Windows Installer package) and dist/SHA256SUMS.
#
#   pack-dist.sh EXE SOURCE_DIR STAGE_DIR [OUT_DIR]
#
# OUT_DIR defaults to SOURCE_DIR/dist. Times inside the files are
# SOURCE_DATE_EPOCH, which defaults to the time of the source's last commit.
# GLYPHWELL_MSI_VERSION builds the installer with another version number
# (the upgrade test builds an older one); GLYPHWELL_WEBSITE gives its help link.
#
# Signing: when GLYPHWELL_SIGN_PFX names a PKCS#12 file and
# GLYPHWELL_SIGN_PASSWORD holds its password, Glyphwell.exe (before it is
# packed) and the MSI are signed with osslsigncode and their signatures
# verified. Without them nothing is signed.
set -Eeuo pipefail
trap 'echo "pack-dist: failed (status $?): $BASH_COMMAND" >&2' ERR

exe=$1 src=$(cd "$2" && pwd) stage=$3 out=${4:-$2/dist}
version=1.11
msi_version=${GLYPHWELL_MSI_VERSION:-$version}
website=${GLYPHWELL_WEBSITE:-https://glyphwell.example.org/}
PY=/usr/bin/python3
release="$PY $src/scripts/release.py"
die() { echo "pack-dist: $*" >&2; exit 1; }

if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git -C "$src" log -1 --format=%ct 2>/dev/null) ||
    die "no SOURCE_DATE_EPOCH and $src is no git checkout: set it to the sources' time"
fi
export SOURCE_DATE_EPOCH

sign=0
if [ -n "${GLYPHWELL_SIGN_PFX:-}" ] || [ -n "${GLYPHWELL_SIGN_PASSWORD+set}" ]; then
  [ -f "${GLYPHWELL_SIGN_PFX:-}" ] || die "GLYPHWELL_SIGN_PFX does not name a file: '${GLYPHWELL_SIGN_PFX:-}'"
  [ -n "${GLYPHWELL_SIGN_PASSWORD+set}" ] || die "GLYPHWELL_SIGN_PFX is set but GLYPHWELL_SIGN_PASSWORD is not"
  command -v osslsigncode >/dev/null || die "signing needs osslsigncode (scripts/setup.sh installs it)"
  sign=1
fi

# What Windows Installer can tell apart, and a Find that finds names.
$release check-version "$msi_version" || die "refusing to build"
$release check-names "$exe" || die "refusing to build"

rm -rf "$stage"
mkdir -p "$stage/Glyphwell" "$out"
work="$stage/work"
mkdir -p "$work"

# The certificates of the PFX and the system's trusted roots, to verify with.
if [ $sign = 1 ]; then
  openssl pkcs12 -in "$GLYPHWELL_SIGN_PFX" -nokeys -passin env:GLYPHWELL_SIGN_PASSWORD \
    -out "$work/certs.pem" 2>/dev/null || die "cannot read $GLYPHWELL_SIGN_PFX with the given password"
  cat /etc/ssl/certs/ca-certificates.crt >>"$work/certs.pem" 2>/dev/null || true
fi
# sign_file IN OUT: signs and verifies the signature.
sign_file() {
  osslsigncode sign -pkcs12 "$GLYPHWELL_SIGN_PFX" -readpass <(printf '%s' "$GLYPHWELL_SIGN_PASSWORD") \
    -h sha256 -n "Glyphwell" -i "${website}prog/" -in "$1" -out "$2" >"$work/sign.log" 2>&1 ||
    { cat "$work/sign.log" >&2; die "signing $(basename "$1") failed"; }
  osslsigncode verify -CAfile "$work/certs.pem" -in "$2" >"$work/verify.log" 2>&1 ||
    { cat "$work/verify.log" >&2; die "the signature of $(basename "$2") does not verify"; }
  echo "signed and verified: $(basename "$2")"
}

if [ $sign = 1 ]; then
  sign_file "$exe" "$stage/Glyphwell/Glyphwell.exe"
else
  cp "$exe" "$stage/Glyphwell/Glyphwell.exe"
fi
for d in lang doc; do
  if [ -d "$src/$d" ]; then cp -r "$src/$d" "$stage/Glyphwell/"; fi
done
# Fixed times and permissions: the installer's cabinet keeps them.
find "$stage/Glyphwell" -type d -exec chmod 755 {} + -o -type f -exec chmod 644 {} +
find "$stage/Glyphwell" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +

zip="Glyphwell-$version-x64.zip"
msi="Glyphwell-$version-x64.msi"
[ "$msi_version" = "$version" ] || msi="Glyphwell-$msi_version-x64.msi"

$release zip "$stage" "$out/$zip" "$SOURCE_DATE_EPOCH"
echo "dist: $out/$zip"

$release files-wxs "$stage" "$work/files.wxs"
product_code=$($release product-code "$msi_version" "$stage" "$(cat "$src/installer/Glyphwell.wxs")" "$website")
cp "$src/resources/icon/glyphwell.ico" "$work/Glyphwell.ico"
# wixl takes file names relative to the folder it runs in.
(cd "$stage" && wixl -a x64 -o "work/$msi" -D Version="$msi_version" -D ProductCode="$product_code" \
  -D Website="$website" -D IconFile=work/Glyphwell.ico "$src/installer/Glyphwell.wxs" work/files.wxs)
# What wixl cannot write: the condition of the Run value's component, and an
# upgrade that includes its own version (minimum and maximum inclusive), so
# that a rebuilt release replaces the one installed (installer/Glyphwell.wxs).
msibuild "$work/$msi" -q "UPDATE \`Component\` SET \`Condition\` = '(RUNATSTARTUP AND RUNATSTARTUP<>\"0\") OR (MACHINERUNVALUE AND RUNATSTARTUP<>\"0\")' WHERE \`Component\` = 'RunAtStartup'"
upgrade_code=$(sed -n 's/.*UpgradeCode="\([^"]*\)".*/\1/p' "$src/installer/Glyphwell.wxs")
msibuild "$work/$msi" -q "DELETE FROM \`Upgrade\` WHERE \`ActionProperty\` = 'WIX_UPGRADE_DETECTED'"
msibuild "$work/$msi" -q "INSERT INTO \`Upgrade\` (\`UpgradeCode\`, \`VersionMin\`, \`VersionMax\`, \`Attributes\`, \`ActionProperty\`) VALUES ('{$upgrade_code}', '0.0.0', '$msi_version', 768, 'WIX_UPGRADE_DETECTED')"
$release msi-finish "$work/$msi" "$SOURCE_DATE_EPOCH" >/dev/null
if [ $sign = 1 ]; then
  sign_file "$work/$msi" "$out/$msi"
else
  cp "$work/$msi" "$out/$msi"
fi
echo "dist: $out/$msi"

if [ "$msi_version" = "$version" ]; then
  cp "$stage/Glyphwell/Glyphwell.exe" "$out/Glyphwell.exe"
  (cd "$out" && sha256sum Glyphwell.exe "$zip" "$msi" >SHA256SUMS)
  echo "dist: $out/SHA256SUMS"
fi
rm -rf "$work"
