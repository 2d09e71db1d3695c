#!/bin/sh
# Stands in for gio in the drive-letter tests. State lives in $FAKE_GIO_DIR:
#   gvfs/<mount name>  a mounted share (the "fuse" directory)
#   log                one line per run (arguments) and per answer read
#   user, password     the credentials the fake server accepts
#   busy               unmounting fails while it exists
#   gone               shares (one name a line) the server no longer offers
#   hang               every run sleeps instead of answering
d=${FAKE_GIO_DIR:?}
echo "argv: $*" >>"$d/log"
[ -e "$d/hang" ] && exec sleep 30

mount_dir() {  # smb://server/share[/] -> fuse path
  rest=${1#smb://}; rest=${rest%/}
  echo "$d/gvfs/smb-share:server=${rest%%/*},share=${rest#*/}"
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
