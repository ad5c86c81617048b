# Writes OUT: the FILES (comma-separated) one after the other.
string(REPLACE "," ";" FILES "${FILES}")
set(all "")
foreach(f ${FILES})
  file(READ ${f} text)
  string(APPEND all "${text}")
endforeach()
file(WRITE ${OUT}.tmp "${all}")
file(RENAME ${OUT}.tmp ${OUT})
