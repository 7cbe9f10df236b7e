# Bash completion for partwell and PartwellLite: commands, options, and masters
# (*.fsm, *.exe) where a command takes a package.

_partwell() {
  local cur prev program commands options
  COMPREPLY=()
  cur=${COMP_WORDS[COMP_CWORD]}
  prev=${COMP_WORDS[COMP_CWORD-1]}
  program=${COMP_WORDS[0]##*/}

  if [[ $program == PartwellLite* ]]; then
    commands="merge verify repair info"
  else
    commands="split plan merge verify repair info settings sizes"
  fi

  case $prev in
    --dest | -d | --search)
      COMPREPLY=($(compgen -d -- "$cur"))
      return ;;
    --prefix | --name | --comments | --size | --count | --recovery | -s | -n)
      return ;;
    --stub)
      COMPREPLY=($(compgen -f -- "$cur"))
      return ;;
  esac

  local command="" word
  for word in "${COMP_WORDS[@]:1:COMP_CWORD-1}"; do
    case $word in
      -*) ;;
      *) command=$word; break ;;
    esac
  done

  if [[ -z $command && $cur == -* ]]; then
    COMPREPLY=($(compgen -W "--help --version" -- "$cur"))
    return
  fi
  if [[ -z $command ]]; then
    COMPREPLY=($(compgen -W "$commands" -- "$cur"))
    return
  fi

  case $command in
    split | plan)
      options="--dest --prefix --size --count --self-extracting --data-only --comments --yes --no --quiet --help"
      options+=" --manifest --recovery" ;;
    merge)
      options="--dest --name --delete-when-done --search --yes --no --quiet --help" ;;
    verify)
      options="--report --search --yes --no --quiet --help" ;;
    repair)
      options="--dest --search --quiet --help" ;;
    *)
      options="--quiet --help --version" ;;
  esac
  # The lite program that heads a package for another system; output for scripts.
  case $command in
    split) options+=" --stub" ;;
  esac
  case $command in
    plan | info | verify | sizes) options+=" --json" ;;
  esac
  if [[ $cur == -* ]]; then
    COMPREPLY=($(compgen -W "$options" -- "$cur"))
    return
  fi

  case $command in
    merge | verify | info)
      COMPREPLY=($(compgen -f -X '!*.@(fsm|FSM|exe|EXE)' -- "$cur") $(compgen -d -- "$cur")) ;;
    repair)
      COMPREPLY=($(compgen -f -X '!*.@(fsm|FSM|exe|EXE|par2|PAR2)' -- "$cur") $(compgen -d -- "$cur")) ;;
    split | plan)
      COMPREPLY=($(compgen -f -- "$cur")) ;;
  esac
}
complete -o filenames -F _partwell partwell PartwellLite
