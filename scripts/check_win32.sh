#!/bin/sh
# Checks the 32-bit release build, which this machine cannot run: a PE32 i386 program
# that needs no toolchain DLL, with its icon and version block.
set -e
exe=$1
fail() { echo "check_win32: $exe: $*"; exit 1; }
headers=$(i686-w64-mingw32-objdump -x "$exe")
echo "$headers" | grep -q "file format pei-i386" || fail "not a PE32 i386 program"
echo "$headers" | grep -q "Magic.*010b" || fail "no PE32 optional header"
dlls=$(echo "$headers" | sed -n 's/.*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u | tr '\n' ' ')
for dll in $dlls; do
    case $dll in
    libgcc*|libstdc++*|libwinpthread*) fail "needs $dll";;
    esac
done
resources=$(i686-w64-mingw32-windres -i "$exe" -O rc)
echo "$resources" | grep -q "^103 14 " || fail "no icon group 103"
echo "$resources" | grep -q '"040c04b0"' || fail "no French string table in the version block"
echo "$resources" | grep -q 'FILEVERSION 1, 0, 0, 1' || fail "file version is not 1.0.0.1"
echo "$resources" | grep -q '"ProductName", "Pulsorel"' || fail "product name is not Pulsorel"
echo "check_win32: $exe: PE32 i386, imports: $dlls; icon and version block 1.0.0.1 present"
