#!/bin/sh
# Stands in for gio in the drive-letter tests. State lives in $FAKE_GIO_DIR:
#   gvfs/<mount name>  a mounted share (the "fuse" directory)
#   log                one line per run (arguments) and per answer read
#   user, password     the credentials the fake server accepts
#   busy               unmounting fails while it exists
#   gone               shares (one name a line) the server no longer offers
#   hang               every run sleeps instead of answering
#   fail               a mount fails with this text on standard error
d=${FAKE_GIO_DIR:?}
echo "argv: $*" >>"$d/log"
[ -e "$d/hang" ] && exec sleep 30

mount_dir() {  # smb://[[domain;]user@]server/share[/] -> fuse path
  rest=${1#smb://}; rest=${rest%/}
  host=${rest%%/*}; share=${rest#*/}
  case "$host" in
  *@*)
    who=${host%@*}; host=${host##*@}
    case "$who" in
    *\;*) echo "$d/gvfs/smb-share:domain=${who%%;*},server=$host,share=$share,user=${who#*;}" ;;
    *) echo "$d/gvfs/smb-share:server=$host,share=$share,user=$who" ;;
    esac
    ;;
  *) echo "$d/gvfs/smb-share:server=$host,share=$share" ;;
  esac
}

case "$1" in
info)
  p=$(mount_dir "$2")
  [ -d "$p" ] || { echo "gio: $2: not mounted" >&2; exit 2; }
  printf 'display name: x\nlocal path: %s\nuri: %s\n' "$p" "$2"
  exit 0
  ;;
mount)
  if [ "$2" = -u ]; then
    [ -e "$d/busy" ] && exit 2
    [ -d "$3" ] && rm -rf "$3" || exit 2
    exit 0
  fi
  if [ -e "$d/fail" ]; then
    echo "gio: $2: Failed to mount Windows share: $(cat "$d/fail")" >&2
    exit 2
  fi
  rest=${2#smb://}; rest=${rest%/}
  if [ -e "$d/gone" ] && grep -qxF "${rest#*/}" "$d/gone"; then
    echo "gio: $2: Failed to mount Windows share: No such file or directory" >&2
    exit 2
  fi
  printf 'Authentication Required\nEnter user and password for share:\n'
  while :; do
    printf 'User [guest]: '; IFS= read -r u || { echo; exit 2; }
    printf 'Domain [WORKGROUP]: '; IFS= read -r dom || { echo; exit 2; }
    printf 'Password: '; IFS= read -r pw || { echo; exit 2; }
    echo
    echo "answers: user=$u domain=$dom password=$pw" >>"$d/log"
    if [ "$u" = "$(cat "$d/user")" ] && [ "$pw" = "$(cat "$d/password")" ]; then
      mkdir -p "$(mount_dir "$2")"
      exit 0
    fi
  done
  ;;
esac
exit 1
