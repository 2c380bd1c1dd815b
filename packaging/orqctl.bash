# bash completion for orqctl
_orqctl() {
    local cur prev words cword
    _init_completion || return
    local commands="ports read write preset reset monitor diff check backups restore doctor"
    if [[ $cword -eq 1 ]]; then
        COMPREPLY=($(compgen -W "$commands --help --version" -- "$cur"))
        return
    fi
    case $prev in
        -p) COMPREPLY=($(compgen -f -- "${cur:-/dev/tty}")); return ;;
        -o|--trace) _filedir; return ;;
        --count) return ;;
    esac
    local command=${words[1]} options="--help"
    case $command in
        read) options+=" -p -o --trace" ;;
        write|diff|restore|preset|reset) options+=" -p --trace" ;;
        monitor) options+=" -p --trace --count --raw" ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
        return
    fi
    case $command in
        preset) COMPREPLY=($(compgen -W "beginner f3c 3d-soft 3d-hard 3d-extreme" -- "$cur")) ;;
        reset) COMPREPLY=($(compgen -W "main tail all" -- "$cur")) ;;
        write|check) _filedir ini ;;
        diff) COMPREPLY=($(compgen -W "unit" -- "$cur")); _filedir ini ;;
        restore) COMPREPLY=($(compgen -W "latest" -- "$cur")); _filedir ini ;;
        doctor) COMPREPLY=($(compgen -f -- "${cur:-/dev/tty}")) ;;
    esac
}
complete -F _orqctl orqctl
