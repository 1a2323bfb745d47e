#!/bin/sh
# Every text the sources hand to Qt's translation system has a finished English
# translation: lupdate runs over the sources into a copy of the .ts file, and any
# text it adds (new) or finds without a translation is named and fails the test.
# Usage: checkts.sh LUPDATE SOURCE_DIR
set -eu
lupdate=$1
source_dir=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$source_dir/translations/rubello_en.ts" "$work/rubello_en.ts"
# The same options the file is kept with (see translations/README).
"$lupdate" -silent "$source_dir/src" -extensions cpp,h -source-language ja_JP \
    -target-language en -locations none -no-obsolete -ts "$work/rubello_en.ts"
missing=$(grep -c 'type="unfinished"' "$work/rubello_en.ts" || true)
if [ "$missing" -ne 0 ]; then
    echo "$missing text(s) without an English translation in translations/rubello_en.ts:"
    grep -B3 'type="unfinished"' "$work/rubello_en.ts" | grep -v '^--$'
    echo "Run the lupdate command of translations/README and translate them in Qt Linguist."
    exit 1
fi
echo "every text has an English translation"
