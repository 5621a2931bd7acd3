# face_includes.cmake - the faces call the engine, never the board library,
# and neither face reaches into the other: fails naming every file that
# includes across those lines. Run with -DSOURCE_DIR=<root>.
set(rules
  # folder   forbidden include (a regular expression on the quoted path)
  "mainwnd|boardlib/"
  "pages|boardlib/"
  "console|boardlib/"
  "console|mainwnd/"
  "console|pages/"
  "console|app/"
  "engine|mainwnd/"
  "engine|pages/"
  "engine|console/"
  "engine|app/")
set(broken "")
foreach(rule IN LISTS rules)
  string(REPLACE "|" ";" parts "${rule}")
  list(GET parts 0 folder)
  list(GET parts 1 forbidden)
  file(GLOB_RECURSE sources "${SOURCE_DIR}/${folder}/*.h" "${SOURCE_DIR}/${folder}/*.cpp")
  foreach(source IN LISTS sources)
    file(STRINGS "${source}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<]${forbidden}")
    foreach(line IN LISTS lines)
      file(RELATIVE_PATH shown "${SOURCE_DIR}" "${source}")
      string(APPEND broken "  ${shown}: ${line}\n")
    endforeach()
  endforeach()
endforeach()
if(broken)
  message(FATAL_ERROR "A face includes what it must not:\n${broken}")
endif()
message(STATUS "faces include only the engine")
