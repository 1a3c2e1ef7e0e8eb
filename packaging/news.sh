#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# The release history of NEWS.md in the two forms the package carries it in: the Debian
# changelog, and the release list of the AppStream metainfo (put where the metainfo
# template says "@RELEASES@").
#   packaging/news.sh changelog NEWS.md PACKAGE "Name <address>" OUTPUT
#   packaging/news.sh metainfo NEWS.md TEMPLATE OUTPUT
# A release is a "## VERSION (YYYY-MM-DD)" heading; its items are "- " lines, continued by
# indented lines.
set -euo pipefail

# Each release as "R<TAB>version<TAB>date" and each of its items as "I<TAB>text" (one line,
# Markdown code marks dropped).
releases() {
  awk '
    function flush() { if (item != "") { gsub(/`/, "", item); print "I\t" item; item = "" } }
    /^## / {
      flush()
      if (NF == 3 && $3 ~ /^\([0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]\)$/) {
        print "R\t" $2 "\t" substr($3, 2, 10)
      } else {
        print "news.sh: a release heading is not \"## VERSION (YYYY-MM-DD)\": " $0 > "/dev/stderr"
        exit 1
      }
      next
    }
    /^- / { flush(); item = substr($0, 3); next }
    /^  +[^ ]/ && item != "" { sub(/^ +/, ""); item = item " " $0; next }
    { flush() }
    END { flush() }' "$1"
}

xml_escape() {
  sed -e 's/&/\&amp;/g' -e 's/</\&lt;/g' -e 's/>/\&gt;/g'
}

changelog() {
  local news=$1 package=$2 maintainer=$3 first=1 version= date=
  local -a items=()
  emit() {
    [ -n "$version" ] || return 0
    [ "$first" = 1 ] || echo
    first=0
    echo "$package ($version) unstable; urgency=medium"
    echo
    for item in "${items[@]}"; do
      fold -s -w 72 <<<"$item" | sed -e 's/ *$//' -e '1s/^/  * /' -e '2,$s/^/    /'
    done
    echo
    echo " -- $maintainer  $(LC_ALL=C date -u -R -d "$date 12:00")"
    items=()
  }
  while IFS=$'\t' read -r kind a b; do
    if [ "$kind" = R ]; then
      emit
      version=$a
      date=$b
    else
      items+=("$a")
    fi
  done < <(releases "$news")
  emit
}

metainfo() {
  local news=$1 template=$2 list
  list=$(
    echo "  <releases>"
    open=0
    while IFS=$'\t' read -r kind a b; do
      if [ "$kind" = R ]; then
        [ "$open" = 1 ] && printf '        </ul>\n      </description>\n    </release>\n'
        printf '    <release version="%s" date="%s">\n      <description>\n        <ul>\n' "$a" "$b"
        open=1
      else
        printf '          <li>%s</li>\n' "$(xml_escape <<<"$a")"
      fi
    done < <(releases "$news")
    [ "$open" = 1 ] && printf '        </ul>\n      </description>\n    </release>\n'
    echo "  </releases>"
  )
  while IFS= read -r line; do
    if [ "$line" = "@RELEASES@" ]; then echo "$list"; else echo "$line"; fi
  done <"$template"
}

# The output is written whole or not at all.
write() {
  local out=$1 text
  shift
  text=$("$@")
  printf '%s\n' "$text" >"$out.tmp"
  mv "$out.tmp" "$out"
}

case "${1:-}-$#" in
  changelog-5) write "$5" changelog "$2" "$3" "$4" ;;
  metainfo-4) write "$4" metainfo "$2" "$3" ;;
  *)
    sed -n '3,7s/^# \{0,1\}//p' "$0" >&2
    exit 2
    ;;
esac
