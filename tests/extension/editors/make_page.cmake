# A test page for one editor from the common page (cmake -P):
#   -DIN=page.html -DOUT=EDITOR.html -DEDITOR=name
file(READ ${IN} page)
string(REPLACE "EDITOR" "${EDITOR}" page "${page}")
file(WRITE ${OUT} "${page}")
