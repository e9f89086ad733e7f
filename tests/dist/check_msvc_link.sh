#!/bin/sh
# Links msvc_consumer.c against a Windows zip's MSVC import library with
# clang and lld-link, Microsoft's linker's command-line twin, for that zip's
# machine; the 64-bit program then runs under Wine beside the zip's DLL.
# (Wine here runs no 32-bit programs: the 32-bit link alone proves the
# import library's decorated names are the ones Microsoft's compiler uses.)
#   check_msvc_link.sh CLANG LLD_LINK ZIP 64|32 WORK_DIR [RUN_UNDER_WINE]
set -eu
clang=$1 lld_link=$2 zip=$3 bits=$4 work=$5
rm -rf "$work"
mkdir -p "$work"
cd "$work"
unzip -q "$zip"
top=$(echo tsfilters-*-win"$bits")
case $bits in
  64) target=x86_64-pc-windows-msvc machine=x64 ;;
  32) target=i686-pc-windows-msvc machine=x86 ;;
esac
"$clang" --target=$target -O1 -c -I "$top/include" "$(dirname "$0")/msvc_consumer.c" -o consumer.obj
"$lld_link" /nologo /machine:$machine /nodefaultlib /entry:mainCRTStartup /subsystem:console \
  /out:consumer.exe consumer.obj "$top/lib/tsfilters.lib"
echo "linked consumer.exe against $top/lib/tsfilters.lib"
if [ $# -ge 6 ]; then
  cp "$top/bin/tsfilters.dll" .
  "$6" ./consumer.exe
  echo "consumer.exe ran: the DLL's results came back through the import library"
fi
