# The cache, where cmake/prepare keeps the roots it makes: root's in
# /var/cache, any other user's own, as the XDG base directories have it.
execute_process(COMMAND sh -c "[ $(id -u) = 0 ] && echo /var/cache || echo \${XDG_CACHE_HOME:-$HOME/.cache}"
  OUTPUT_VARIABLE cache OUTPUT_STRIP_TRAILING_WHITESPACE)
set(HOSTINSPECT_CACHE ${cache}/hostinspect CACHE PATH
  "Where cmake/prepare keeps the roots and interpreters it prepares")
