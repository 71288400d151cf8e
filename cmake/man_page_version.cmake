# cmake -DINPUT=page.1 -DOUTPUT=out.1 -DVERSION=x.y.z -P man_page_version.cmake: writes the man
# page with its footer's "Vemtora <version>" set to VERSION, so no page ships another version.
file(READ ${INPUT} page)
set(th_line "(^|\n)(\\.TH [^\n]*\"Vemtora )[^\"\n]*\"")
if(NOT page MATCHES "${th_line}")
    message(FATAL_ERROR "${INPUT}: no .TH line with \"Vemtora <version>\" in its footer")
endif()
string(REGEX REPLACE "${th_line}" "\\1\\2${VERSION}\"" page "${page}")
file(WRITE ${OUTPUT} "${page}")
