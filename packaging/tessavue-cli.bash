# shellcheck shell=bash
# bash completion for tessavue-cli
_tessavue_cli() {
  local cur prev words cword split
  _init_completion -s || return

  case $prev in
    --user|--password|--ip|--netmask|--gateway|--local-ip|--target)
      return ;;
  esac
  # --opt=VALUE: nothing to offer for the value.
  $split && return

  local i command=""
  for ((i = 1; i < cword; i++)); do
    case ${words[i]} in
      --user|--password|--ip|--netmask|--gateway|--local-ip|--target) ((i++)) ;;
      -*) ;;
      *) command=${words[i]}; break ;;
    esac
  done

  if [[ -z $command ]]; then
    if [[ $cur == -* ]]; then
      mapfile -t COMPREPLY < <(compgen -W '--local-ip --target --no-remembered --help --version' -- "$cur")
    else
      mapfile -t COMPREPLY < <(compgen -W 'scan shares login set-dhcp set-static open targets' -- "$cur")
    fi
    return
  fi

  if [[ $command == targets ]]; then
    # targets [--json] | targets add ADDR[/NN] | targets forget [ADDR[/NN]]
    if [[ $cur == -* ]]; then
      mapfile -t COMPREPLY < <(compgen -W '--json --help' -- "$cur")
    elif [[ ${words[cword - 1]} == targets ]]; then
      mapfile -t COMPREPLY < <(compgen -W 'add forget' -- "$cur")
    elif [[ ${words[cword - 1]} == forget ]]; then
      mapfile -t COMPREPLY < <(compgen -W "$(tessavue-cli targets 2>/dev/null)" -- "$cur")
    fi
    return
  fi

  local options="--local-ip --target --no-remembered --help"
  case $command in
    scan|shares) options+=" --json" ;;
    login|set-dhcp) options+=" --user --password --password-stdin" ;;
    set-static) options+=" --ip --netmask --gateway --user --password --password-stdin" ;;
  esac
  if [[ $cur == -* ]]; then
    mapfile -t COMPREPLY < <(compgen -W "$options" -- "$cur")
    [[ ${COMPREPLY-} == *= ]] && compopt -o nospace
  fi
} &&
  complete -F _tessavue_cli tessavue-cli
