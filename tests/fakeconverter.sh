#!/bin/sh
# A stand-in for the external converters: appends the name it was started under and its
# arguments, each after a tab, as one line to the file $ZRM_FAKE_CONVERTER_LOG.
line=${0##*/}
for argument; do line=$(printf '%s\t%s' "$line" "$argument"); done
printf '%s\n' "$line" >> "$ZRM_FAKE_CONVERTER_LOG"
