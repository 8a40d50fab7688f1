# bash completion for ardenox-cli: commands, options and the values they take.
# The words of the list that start with what is typed so far ($cur of the caller).
_ardenox_cli_offer() { mapfile -t COMPREPLY < <(compgen "$@" -- "$cur"); }

_ardenox_cli() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]} word command=""

    case $prev in
        --port)
            # Adapters by a name that survives replugging first, then the usual device nodes.
            local ports
            ports=$(compgen -G '/dev/serial/by-id/*'; compgen -G '/dev/tty[UA][SC][BM]*') || true
            ports+=" tcp:// rfc2217://"
            _ardenox_cli_offer -W "$ports"
            # None of them starts so: any device file or path (an on-board UART, a pseudo-terminal, a link).
            if [ ${#COMPREPLY[@]} -eq 0 ]; then
                compopt -o filenames 2>/dev/null || true
                _ardenox_cli_offer -f
            fi
            return ;;
        --baud | --new-baud) _ardenox_cli_offer -W "9600 19200 38400 57600"; return ;;
        --mode | --new-mode) _ardenox_cli_offer -W "even1 odd1 none2 none1"; return ;;
        --trace-file | --log) _ardenox_cli_offer -f; return ;;
        --address | --new-address | --timeout | --reply-timeout | --first-address | --count) COMPREPLY=(); return ;;
    esac

    for word in "${COMP_WORDS[@]:1:COMP_CWORD-1}"; do
        case $word in
            read | monitor | write | scan | commission) command=$word ;;
        esac
    done
    local options="--port --baud --mode --address --timeout --json --verbose --trace --trace-file"
    options+=" --reply-timeout --echo --rs485 --help"
    case $command in
        write) options+=" --new-address --new-baud --new-mode" ;;
        scan) options+=" --all" ;;
        commission) options+=" --first-address --count --new-baud --new-mode --log" ;;
        '') options+=" --version read monitor write scan commission" ;;
    esac
    _ardenox_cli_offer -W "$options"
}
complete -F _ardenox_cli ardenox-cli
