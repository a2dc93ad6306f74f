#!/usr/bin/env bash
# Compiles the Windows side with the MinGW cross compiler, so that code which cannot be
# built here as a whole at least compiles as it would on Windows:
#   - every .cpp file in a win/ folder under src/ that includes no Qt header, directly or
#     through a header of ours;
#   - the Qt-free sources those share with the other platforms (src/platform/*/ top level);
#   - a link of the keystroke capture's Windows side with a small probe program, which
#     catches a declared but undefined member;
#   - the win/ files that do need Qt, syntax only, against this machine's Qt headers. Those
#     are configured for Linux, so this is a rough check, but it catches wrong overrides
#     and Windows API misuse.
# Exits non-zero when anything fails, after trying every file.
#
#   MINGW_CXX=compiler   default: i686-w64-mingw32-g++ (32-bit, as the product ships)
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
CXX="${MINGW_CXX:-i686-w64-mingw32-g++}"
if ! command -v "$CXX" >/dev/null 2>&1; then
    echo "check-windows-build: $CXX not found (scripts/install-deps.sh installs g++-mingw-w64-i686)" >&2
    exit 1
fi

# Headers of ours are included by their path below src/, as in the CMake build.
include_dirs=(src)
include_flags=()
for dir in "${include_dirs[@]}"; do
    include_flags+=("-I$dir")
done

# True when FILE or a header of ours it includes (recursively) includes a Qt header or a
# header that is not there.
declare -A seen=()
needs_qt() {
    local file="$1" inc header dir found
    [ -n "${seen[$file]:-}" ] && return 1
    seen[$file]=1
    grep -Eq '^[[:space:]]*#[[:space:]]*include[[:space:]]*<Q' "$file" && return 0
    while IFS= read -r inc; do
        found=""
        for dir in "$(dirname "$file")" "${include_dirs[@]}"; do
            header="$dir/$inc"
            if [ -f "$header" ]; then
                found="$header"
                break
            fi
        done
        [ -n "$found" ] || continue
        needs_qt "$found" && return 0
    done < <(sed -nE 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"([^"]+)".*/\1/p' "$file")
    return 1
}

candidates=()
while IFS= read -r file; do
    candidates+=("$file")
done < <(
    {
        find src -type d -name win -print0 | xargs -0 -r -I{} find {} -maxdepth 1 -name '*.cpp'
        find src/platform -mindepth 2 -maxdepth 2 -name '*.cpp' ! -path '*/linux/*' ! -path '*/win/*'
    } | sort -u
)

files=()
qt_files=()
failed=0
for file in "${candidates[@]}"; do
    # The whole of src/ is on the include path, so a Linux header would be found too; on
    # Windows it is not built.
    if grep -Eq '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^"]*/linux/' "$file"; then
        echo "FAILED  $file (includes a header from a linux/ folder)" >&2
        failed=1
        continue
    fi
    seen=()
    if needs_qt "$file"; then
        case "$file" in
        */win/*) qt_files+=("$file") ;;
        esac
        continue
    fi
    # Shared sources count only when they also build for Windows: no POSIX or X11 headers.
    case "$file" in
    */win/*) ;;
    *)
        if grep -Eq '^[[:space:]]*#[[:space:]]*include[[:space:]]*<(X11/|linux/|sys/|unistd|poll)' "$file"; then
            continue
        fi
        ;;
    esac
    files+=("$file")
done

if [ ${#files[@]} -eq 0 ]; then
    echo "check-windows-build: no Qt-free Windows sources found" >&2
    exit 1
fi

tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

flags=(-std=c++20 -Wall -Wextra -Werror -DUNICODE -D_UNICODE "${include_flags[@]}")
objects=()
for file in "${files[@]}"; do
    obj="$tmp/$(echo "$file" | tr '/' '_').o"
    if "$CXX" "${flags[@]}" -c "$file" -o "$obj"; then
        echo "ok      $file"
        objects+=("$obj")
    else
        echo "FAILED  $file" >&2
        failed=1
    fi
done

# The keystroke capture's Windows side must link into a program on its own.
probe=tests/capture/windows_link_probe.cpp
if [ -f "$probe" ] && [ "$failed" -eq 0 ]; then
    # The objects compiled above, so that nothing is compiled twice.
    link_objects=()
    for file in src/platform/win/key_hooks_win.cpp src/platform/capture/key_translation.cpp \
        src/platform/capture/copydata_message.cpp; do
        link_objects+=("$tmp/$(echo "$file" | tr '/' '_').o")
    done
    if "$CXX" "${flags[@]}" -c "$probe" -o "$tmp/probe.o" &&
        "$CXX" -static -o "$tmp/probe.exe" "$tmp/probe.o" "${link_objects[@]}" -luser32; then
        echo "ok      link of $probe"
    else
        echo "FAILED  link of $probe" >&2
        failed=1
    fi
fi

if [ ${#qt_files[@]} -gt 0 ]; then
    qt_flags=()
    if qt_include="$(pkg-config --cflags-only-I Qt6Core Qt6Gui Qt6Widgets Qt6Network 2>/dev/null)"; then
        read -r -a qt_flags <<<"$qt_include"
        for file in "${qt_files[@]}"; do
            if "$CXX" "${flags[@]}" "${qt_flags[@]}" -fsyntax-only "$file"; then
                echo "ok      $file (syntax, with this machine's Qt headers)"
            else
                echo "FAILED  $file (syntax, with this machine's Qt headers)" >&2
                failed=1
            fi
        done
    else
        echo "skipped ${qt_files[*]}: no Qt 6 headers found through pkg-config"
    fi
fi

exit "$failed"
