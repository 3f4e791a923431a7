#!/bin/sh
# Turns the demo's story, kept in UTF-8 for editing, into the Shift-JIS scenario with CR LF line ends
# that the title folder holds.
set -eu
cd "$(dirname "$0")/.."
sed 's/$/\r/' tools/demo_story.utf8 | iconv -f UTF-8 -t CP932 >demo/scenario.txt
# The English translation stays UTF-8 (its textreel.ini says so); only the line ends change.
sed 's/$/\r/' tools/demo_story_en.utf8 >demo-en/scenario.txt
