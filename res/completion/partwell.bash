# Bash completion for partwell and PartwellLite: commands, options, and masters
# (*.fsm, *.exe) where a command takes a package.

_partwell() {
  local cur prev program commands options
  COMPREPLY=()
  cur=${COMP_WORDS[COMP_CWORD]}
  prev=${COMP_WORDS[COMP_CWORD-1]}
  program=${COMP_WORDS[0]##*/}

  if [[ $program == PartwellLite* ]]; then
    commands="merge verify info"
  else
    commands="split plan merge verify info settings sizes"
  fi

  case $prev in
    --dest)
      COMPREPLY=($(compgen -d -- "$cur"))
      return ;;
    --prefix | --name | --comments | --size | --count)
      return ;;
  esac

  local command="" word
  for word in "${COMP_WORDS[@]:1:COMP_CWORD-1}"; do
    case $word in
      -*) ;;
      *) command=$word; break ;;
    esac
  done

  if [[ -z $command && $cur != -* ]]; then
    COMPREPLY=($(compgen -W "$commands" -- "$cur"))
    return
  fi

  case $command in
    split | plan)
      options="--dest --prefix --size --count --self-extracting --data-only --comments --yes --no --help" ;;
    merge)
      options="--dest --name --delete-when-done --yes --no --help" ;;
    verify)
      options="--yes --no --help" ;;
    *)
      options="--help" ;;
  esac
  if [[ $cur == -* ]]; then
    COMPREPLY=($(compgen -W "$options" -- "$cur"))
    return
  fi

  case $command in
    merge | verify | info)
      COMPREPLY=($(compgen -f -X '!*.@(fsm|FSM|exe|EXE)' -- "$cur") $(compgen -d -- "$cur")) ;;
    split | plan)
      COMPREPLY=($(compgen -f -- "$cur")) ;;
  esac
}
complete -o filenames -F _partwell partwell PartwellLite
