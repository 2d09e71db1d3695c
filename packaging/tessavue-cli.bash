# shellcheck shell=bash
# bash completion for tessavue-cli
_tessavue_cli() {
  local cur prev words cword split
  _init_completion -s || return

  case $prev in
    --user|--password|--ip|--netmask|--gateway|--local-ip|--target|--wait)
      return ;;
  esac
  # --opt=VALUE: nothing to offer for the value.
  $split && return

  # The command, and how many operands follow it before the word completed.
  local i command="" operands=0
  for ((i = 1; i < cword; i++)); do
    case ${words[i]} in
      --user|--password|--ip|--netmask|--gateway|--local-ip|--target|--wait) ((i++)) ;;
      -*) ;;
      *) if [[ -z $command ]]; then command=${words[i]}; else ((operands++)); fi ;;
    esac
  done

  if [[ -z $command ]]; then
    if [[ $cur == -* ]]; then
      mapfile -t COMPREPLY < <(compgen -W '--local-ip --target --no-remembered --help --version' -- "$cur")
    else
      mapfile -t COMPREPLY < <(compgen -W 'scan shares login set-dhcp set-static open drives
        connect disconnect reconnect targets' -- "$cur")
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
    drives) options+=" --json" ;;
    connect) options+=" --user --password --password-stdin --remember" ;;
    reconnect) options+=" --json --wait" ;;
  esac
  if [[ $cur == -* ]]; then
    mapfile -t COMPREPLY < <(compgen -W "$options" -- "$cur")
    [[ ${COMPREPLY-} == *= ]] && compopt -o nospace
  elif [[ ($command == disconnect && $operands == 0) || ($command == connect && $operands == 2) ]]
  then
    # The drive letters, D: to Z:.
    mapfile -t COMPREPLY < <(compgen -W 'D: E: F: G: H: I: J: K: L: M: N: O: P: Q: R: S: T: U: V:
      W: X: Y: Z:' -- "$cur")
  fi
} &&
  complete -F _tessavue_cli tessavue-cli
