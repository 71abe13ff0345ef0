# Writes the site's service worker from its template (cmake -P): the list of
# the site's files to keep offline, and a cache name with a hash of them all.
#   -DSITE=folder -DTEMPLATE=service-worker.js
file(GLOB files RELATIVE ${SITE} ${SITE}/*)
list(REMOVE_ITEM files service-worker.js)
list(SORT files)
set(contents "")
set(listed "./")
foreach(name IN LISTS files)
  file(SHA256 ${SITE}/${name} hash)
  string(APPEND contents "${name} ${hash}\n")
  string(APPEND listed " ${name}")
endforeach()
file(READ ${TEMPLATE} worker)
string(SHA256 site_hash "${contents}${worker}")
string(SUBSTRING ${site_hash} 0 16 site_hash)
string(REPLACE "@SITE_HASH@" ${site_hash} worker "${worker}")
string(REPLACE "@SITE_FILES@" "${listed}" worker "${worker}")
file(WRITE ${SITE}/service-worker.js "${worker}")
