#!/usr/bin/env bash
# Compiles every source of the core, the print painter, the windows and vegctl for a Windows target
# (mingw-w64 g++, syntax only, against the Qt headers of this machine), so that no POSIX-only call
# slips in outside the port seam, whose Windows side sits behind Q_OS_WIN. vegsim's terminal code
# is POSIX by nature and is left out.
#   windows-syntax.sh COMPILER QT_HEADERS SOURCE_ROOT
set -euo pipefail
cxx=$1 qt=$2 root=$3

# CLI11 is header-only; it is reached through a folder of its own so that the host's other headers
# (termios.h, sys/...) stay out of the Windows compile.
extra=$(mktemp -d)
trap 'rm -rf "$extra"' EXIT
ln -s /usr/include/CLI "$extra/CLI"

flags=(-std=c++20 -fsyntax-only -w -DVEG_VERSION=\"0\" -I"$root/src" -I"$extra" -I"$qt")
for m in QtCore QtGui QtWidgets QtSerialPort QtPrintSupport QtCharts; do
  [[ -d "$qt/$m" ]] && flags+=(-I"$qt/$m")
done

mapfile -t files < <(cd "$root" && find src/core src/print src/gui src/cli -name '*.cpp' 2>/dev/null | sort)
(( ${#files[@]} )) || { echo "no sources found under $root/src"; exit 1; }

export cxx root
export flagline="${flags[*]}"
failed=$(printf '%s\n' "${files[@]}" | xargs -P "$(nproc)" -I{} bash -c '
  if ! out=$("$cxx" $flagline "$root/{}" 2>&1); then
    printf "%s\n" "=== {}" "$out" | head -n 30 >&2
    echo "{}"
  fi' || true)

if [[ -n "$failed" ]]; then
  echo "Does not compile for Windows:"
  printf '  %s\n' $failed
  exit 1
fi
echo "${#files[@]} sources compile for Windows"
