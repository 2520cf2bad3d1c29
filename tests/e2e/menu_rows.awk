# Reads a popup menu's pixels (ImageMagick "txt:" output of a screenshot of
# its window) and prints its layout from the pixels alone:
#   layout N1 N2 ...   the number of text items between separators
#   rows Y1 Y2 ...     the middle row of each text item, from the window's top
# A row is a separator when one colour other than the background fills it
# (the frame's top and bottom rows count as such); it has ink when any pixel
# other than the background is in it. The outer columns (the frame) are
# left out. A highlighted item (the pointer on it) would read as separators,
# so the caller keeps the pointer off the menu it reads.
/^#/ { next }
{
  split($1, p, /[,:]/)
  x = p[1]; y = p[2]; c = $3
  if (x > maxx) maxx = x
  if (y > maxy) maxy = y
  px[x, y] = c
  count[c]++
}
END {
  best = 0
  for (c in count) if (count[c] > best) { best = count[c]; bg = c }
  margin = 6
  inner = maxx + 1 - 2 * margin
  group = 0; groups = ""; rows = ""; start = -1
  for (y = 0; y <= maxy + 1; y++) {
    kind = "."
    if (y <= maxy) {
      delete seen; ink = 0; top = 0
      for (x = margin; x <= maxx - margin; x++) {
        c = px[x, y]
        if (c == bg) continue
        ink++
        if (++seen[c] > top) top = seen[c]
      }
      kind = top >= 0.9 * inner ? "S" : ink > 0 ? "I" : "."
    }
    if (kind == "I" && start < 0) start = y
    if (kind != "I" && start >= 0) {
      rows = rows " " int((start + y - 1) / 2)
      group++
      start = -1
    }
    if ((kind == "S" || y > maxy) && group > 0) {
      groups = groups " " group
      group = 0
    }
  }
  print "layout" groups
  print "rows" rows
}
