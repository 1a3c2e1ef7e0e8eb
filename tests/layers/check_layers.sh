#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Each layer's include root holds the folders of the layers below it and no others: a header
# of a folder above a layer does not even resolve there, and the layer's own headers compile
# with what it sees.
#   check_layers.sh COMPILER LAYER_ROOTS SOURCE_DIR
set -uo pipefail
compiler=$1 roots=$2 src=$3/src
failed=0
for root in "$roots"/*/; do
  layer=$(basename "$root")
  for folder in "$src"/*/; do
    name=$(basename "$folder")
    header=$(cd "$folder" && ls *.h 2>/dev/null | head -1)
    [ -n "$header" ] || continue
    if [ -e "$root/$name" ]; then
      # What a layer sees must compile there (the Qt front end's own headers need Qt).
      [ "$layer" = tagline_ui ] && [ "$name" = ui ] && continue
      if ! out=$(echo "#include \"$name/$header\"" |
                 "$compiler" -std=c++20 -fsyntax-only -I "$root" -x c++ - 2>&1); then
        echo "$layer: $name/$header does not compile with what the layer sees:"
        echo "$out" | head -5
        failed=1
      fi
    else
      out=$(echo "#include \"$name/$header\"" |
            "$compiler" -std=c++20 -fsyntax-only -I "$root" -x c++ - 2>&1)
      if ! grep -q "No such file or directory" <<<"$out"; then
        echo "$layer: $name/$header resolves, though $name is no layer below it"
        failed=1
      fi
    fi
  done
done
[ "$failed" -eq 0 ] && echo "check_layers: every layer sees only the layers below it"
exit "$failed"
