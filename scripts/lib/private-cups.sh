# A CUPS server of a script's own (as testsupport/private_cups.h makes one
# for the tests): configuration, spool, logs and program folder under one
# folder, a local socket, no network. Needs root. Source it, then:
#   private_cups_start FOLDER [NAME=VALUE ...]   (variables for the backends)
#   private_cups_stop FOLDER
# While it runs, CUPS_SERVER and CUPS_SERVERBIN point at it.

private_cups_start() {
  local folder=$1; shift
  local serverbin; serverbin=$(cups-config --serverbin 2>/dev/null || echo /usr/lib/cups)
  mkdir -p "$folder"/{conf,spool/tmp,cache,state,log,bin/backend}
  local sub program
  for sub in "$serverbin"/*/; do
    sub=$(basename "$sub")
    [ "$sub" = backend ] && continue
    mkdir -p "$folder/bin/$sub"
    for program in "$serverbin/$sub"/*; do ln -sf "$program" "$folder/bin/$sub/"; done
  done
  cat > "$folder/conf/cupsd.conf" <<CONF
LogLevel info
Listen $folder/cups.sock
Browsing No
WebInterface No
DirtyCleanInterval 0
<Location />
  Order allow,deny
  Allow localhost
</Location>
CONF
  # The policies CUPS ships (the printer's queues use "authenticated").
  sed -n '/^<Policy /,/^<\/Policy>/p' /usr/share/cups/cupsd.conf.default >> "$folder/conf/cupsd.conf"
  {
    echo "ServerRoot $folder/conf"
    echo "RequestRoot $folder/spool"
    echo "TempDir $folder/spool/tmp"
    echo "CacheDir $folder/cache"
    echo "StateDir $folder/state"
    echo "ServerBin $folder/bin"
    echo "ErrorLog $folder/log/error_log"
    echo "AccessLog $folder/log/access_log"
    echo "PageLog $folder/log/page_log"
    echo "SystemGroup root"
    local variable
    for variable in "$@"; do echo "SetEnv ${variable%%=*} ${variable#*=}"; done
  } > "$folder/conf/cups-files.conf"
  /usr/sbin/cupsd -f -c "$folder/conf/cupsd.conf" -s "$folder/conf/cups-files.conf" \
    > "$folder/log/cupsd.out" 2>&1 &
  export CUPS_SERVER="$folder/cups.sock" CUPS_SERVERBIN="$folder/bin"
  local _
  for _ in $(seq 1 150); do lpstat -r >/dev/null 2>&1 && return 0; sleep 0.1; done
  echo "private-cups: cupsd did not start: $(cat "$folder/log/cupsd.out")" >&2
  return 1
}

# Stops the server serving the folder's socket (also one restarted since).
private_cups_stop() {
  local folder=$1 pid _
  for _ in $(seq 1 150); do
    pid=$(private_cups_pid "$folder")
    [ -z "$pid" ] && return 0
    kill "$pid" 2>/dev/null || true
    sleep 0.1
  done
  return 1
}

# The process listening on the folder's socket.
private_cups_pid() {
  local socket=$1/cups.sock inode fd
  inode=$(awk -v path="$socket" '$NF == path { print $7; exit }' /proc/net/unix)
  [ -z "$inode" ] && return 0
  for fd in /proc/[0-9]*/fd/*; do
    if [ "$(readlink "$fd" 2>/dev/null)" = "socket:[$inode]" ]; then
      fd=${fd#/proc/}; echo "${fd%%/*}"; return 0
    fi
  done
}
