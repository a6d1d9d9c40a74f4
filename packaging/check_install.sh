#!/usr/bin/env bash
# Installs a build tree into a temporary prefix and checks the result: exactly the expected
# files (no test, benchmark or fuzz binary, no static library), lineatum-tool starts from
# there, the icons have their sizes, the desktop entry and the AppStream metainfo pass their
# validators, and the manual pages format without a warning. Run by ctest as
# packaging_install_test; needs the tools that scripts/setup installs.
#
# usage: check_install.sh CMAKE BUILD_DIR SOURCE_DIR APP_ID "ICON_SIZES" BUILT_FILE...
# A tree that has not built every BUILT_FILE (the programs and the files of packaging/) is
# skipped with exit status 77: scripts/sanitize, for one, builds only the tests.
set -uo pipefail

if [ $# -lt 5 ]; then
    echo "usage: $0 CMAKE BUILD_DIR SOURCE_DIR APP_ID \"ICON_SIZES\" BUILT_FILE..." >&2
    exit 2
fi
cmake=$1 build=$2 source=$3 id=$4 sizes=$5
shift 5
export LC_ALL=C.UTF-8

for built in "$@"; do
    if [ ! -e "$built" ]; then
        echo "SKIPPED: $built is not built in this tree (\`cmake --build $build\` builds it)"
        exit 77
    fi
done

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
# needs TOOL PACKAGE: true when TOOL can run, else one failure naming its package.
needs() {
    command -v "$1" >/dev/null 2>&1 && return 0
    fail "$1 is not installed (Debian package $2; scripts/setup installs it)"
    return 1
}

work=$(mktemp -d "${TMPDIR:-/tmp}/lineatum-install-test.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix

if ! "$cmake" --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1; then
    cat "$work/install.log"
    echo "FAIL: cmake --install $build --prefix $prefix"
    exit 1
fi

# Exactly these files, nothing else.
{
    echo bin/lineatum
    echo bin/lineatum-tool
    echo "share/applications/$id.desktop"
    echo "share/metainfo/$id.metainfo.xml"
    echo "share/icons/hicolor/scalable/apps/$id.svg"
    for size in $sizes; do echo "share/icons/hicolor/${size}x${size}/apps/$id.png"; done
    echo share/lineatum/Quilbet.html
    echo share/man/man1/lineatum.1.gz
    echo share/man/man1/lineatum-tool.1.gz
    echo share/doc/lineatum/copyright
    echo share/doc/lineatum/changelog.gz
} | sort >"$work/expected"
(cd "$prefix" && find . \( -type f -o -type l \) | sed 's|^\./||' | sort) >"$work/installed"
if ! cmp -s "$work/expected" "$work/installed"; then
    fail "the installed files differ from the expected ones (<: missing, >: unexpected)"
    diff "$work/expected" "$work/installed" | grep '^[<>]'
fi
while read -r extra; do
    fail "a test, benchmark or fuzz binary or a library was installed: $extra"
done < <(grep -E '(_test|/bench_[^/]*|/fuzz_[^/]*|/make_gedcom|\.a|\.so(\.[0-9]+)*)$' "$work/installed")

# The programs run from the installed folder.
for program in lineatum lineatum-tool; do
    [ -x "$prefix/bin/$program" ] || fail "bin/$program is not executable"
done
if [ -x "$prefix/bin/lineatum-tool" ]; then
    "$prefix/bin/lineatum-tool" >"$work/tool.out" 2>&1
    status=$?
    if [ $status -ge 126 ] || ! grep -qi 'usage' "$work/tool.out"; then
        fail "bin/lineatum-tool without arguments (exit $status) did not print its usage:"
        cat "$work/tool.out"
    fi
fi

# Data files as they are in the sources; the help page where the program looks for it.
cmp -s "$source/app/help/Quilbet.html" "$prefix/share/lineatum/Quilbet.html" ||
    fail "share/lineatum/Quilbet.html is not app/help/Quilbet.html"
cmp -s "$source/packaging/$id.svg" "$prefix/share/icons/hicolor/scalable/apps/$id.svg" ||
    fail "the installed SVG icon is not packaging/$id.svg"

# Each PNG icon: the PNG signature, then width and height in its header.
for size in $sizes; do
    png=$prefix/share/icons/hicolor/${size}x${size}/apps/$id.png
    [ -f "$png" ] || continue
    signature=$(od -An -tx1 -N8 "$png" | tr -d ' \n')
    read -r width height < <(od -An -tu4 --endian=big -j16 -N8 "$png")
    if [ "$signature" != 89504e470d0a1a0a ] || [ "$width" != "$size" ] || [ "$height" != "$size" ]; then
        fail "${size}x${size}/apps/$id.png is not a ${size}x${size} PNG (${width:-?}x${height:-?})"
    fi
done

# The desktop entry: valid, and the keys the desktop relies on.
desktop=$prefix/share/applications/$id.desktop
if [ -f "$desktop" ] && needs desktop-file-validate desktop-file-utils; then
    if ! desktop-file-validate "$desktop" >"$work/desktop.out" 2>&1 || [ -s "$work/desktop.out" ]; then
        fail "desktop-file-validate $id.desktop:"
        cat "$work/desktop.out"
    fi
    for line in "Exec=lineatum %f" "Icon=$id" "MimeType=application/x-gedcom;" "Terminal=false"; do
        grep -qxF "$line" "$desktop" || fail "$id.desktop lacks the line \"$line\""
    done
fi

# The AppStream metainfo.
metainfo=$prefix/share/metainfo/$id.metainfo.xml
if [ -f "$metainfo" ] && needs appstreamcli appstream; then
    # --strict: also an informational note fails; validate-tree also finds the desktop entry.
    if ! appstreamcli validate --no-net --strict "$metainfo" >"$work/metainfo.out" 2>&1; then
        fail "appstreamcli validate --no-net --strict $id.metainfo.xml:"
        cat "$work/metainfo.out"
    fi
    if ! appstreamcli validate-tree --no-net --strict "$prefix" >"$work/tree.out" 2>&1; then
        fail "appstreamcli validate-tree --no-net --strict on the installed tree:"
        cat "$work/tree.out"
    fi
    grep -qF "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
        fail "$id.metainfo.xml does not launch $id.desktop"
fi

# The manual pages format without a warning.
if needs groff groff-base; then
    for page in lineatum.1 lineatum-tool.1; do
        gz=$prefix/share/man/man1/$page.gz
        [ -f "$gz" ] || continue
        if ! gzip -dc "$gz" | groff -man -Tutf8 -ww -z >"$work/man.out" 2>&1 ||
            [ -s "$work/man.out" ]; then
            fail "groff -man -ww $page:"
            cat "$work/man.out"
        fi
    done
fi

if [ $failures -ne 0 ]; then
    echo "$failures install check(s) failed"
    exit 1
fi
echo "install into a temporary prefix: $(wc -l <"$work/installed") files, all as expected"
