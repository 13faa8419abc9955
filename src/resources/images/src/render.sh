#!/bin/sh
# Renders the committed PNG and JPEG pictures from the drawings in this folder.
# Needs rsvg-convert (librsvg2-bin) and ImageMagick's convert; the build does not run it.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
out="$here/.."
for name in icon_box_up icon_box_down icon_last_file icon_next_file icon_one_way_mode icon_play_reset \
            icon_video_fall icon_video_play icon_video_positive icon_video_stop; do
    # 48 px keeps the 24 px buttons sharp on high-density screens.
    rsvg-convert -w 48 -h 48 "$here/$name.svg" -o "$out/$name.png"
done
rsvg-convert -w 200 -h 114 "$here/icon_default_privew.svg" -o /tmp/zevidud-preview.png
convert /tmp/zevidud-preview.png -background black -flatten -strip -quality 90 "$out/icon_default_privew.jpg"
rm -f /tmp/zevidud-preview.png
