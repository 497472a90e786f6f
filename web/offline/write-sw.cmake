# Writes DIST/sw.js from TEMPLATE with the list of the page's files in DIST
# and, as the version of its cache, a hash of their names and contents: a
# build that changes any file gives a worker of other bytes, which browsers
# install as an update.
# Run as: cmake -DDIST=... -DTEMPLATE=... -P write-sw.cmake
file(GLOB names LIST_DIRECTORIES false RELATIVE "${DIST}" "${DIST}/*")
list(REMOVE_ITEM names sw.js)
list(SORT names)
set(digest "")
set(quoted "")
foreach(name IN LISTS names)
  file(SHA256 "${DIST}/${name}" hash)
  string(APPEND digest "${name} ${hash}\n")
  list(APPEND quoted "'${name}'")
endforeach()
string(SHA256 version "${digest}")
string(SUBSTRING "${version}" 0 16 DORVANE_WEB_VERSION)
list(JOIN quoted ", " DORVANE_WEB_FILES)
configure_file("${TEMPLATE}" "${DIST}/sw.js" @ONLY)
