# cmake -DCMARK_GFM=... -DGUIDE=guide-ja.md -DHTML=guide-ja.html -P render-guide.cmake
# The Markdown body inside a page that declares UTF-8 and Japanese, so that a browser opened
# from a zip on a Japanese Windows PC shows the text and picks a Japanese font.
execute_process(COMMAND ${CMARK_GFM} --extension table --to html ${GUIDE}
                OUTPUT_VARIABLE body RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "cmark-gfm could not render ${GUIDE}")
endif()
file(WRITE ${HTML} "<!DOCTYPE html>
<html lang=\"ja\">
<head>
<meta charset=\"utf-8\">
<title>TQ58 データ転送 操作ガイド</title>
<style>
body { font-family: \"Yu Gothic UI\", \"Meiryo\", \"MS UI Gothic\", \"IPAGothic\", sans-serif;
       max-width: 52em; margin: 2em auto; padding: 0 1em; line-height: 1.7; }
table { border-collapse: collapse; margin: 1em 0; }
th, td { border: 1px solid #999; padding: 0.2em 0.6em; vertical-align: top; }
th { background: #e8eef4; }
code { font-family: \"MS Gothic\", \"IPAGothic\", monospace; }
img { border: 1px solid #ccc; margin: 0.5em 1em 0.5em 0; }
</style>
</head>
<body>
${body}</body>
</html>
")
