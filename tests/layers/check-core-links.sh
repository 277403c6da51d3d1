#!/bin/sh
# Fails when one of the programs loads Qt Gui, Qt Widgets or Qt PrintSupport.
[ $# -gt 0 ] || { echo "no programs given"; exit 1; }
status=0
for program in "$@"; do
    if ! libs=$(ldd "$program"); then
        echo "cannot read the libraries of $program"
        status=1
        continue
    fi
    if echo "$libs" | grep -E 'libQt6(Gui|Widgets|PrintSupport)'; then
        echo "$program loads a GUI library"
        status=1
    fi
done
[ "$status" -eq 0 ] && echo "$# programs load no GUI library"
exit "$status"
