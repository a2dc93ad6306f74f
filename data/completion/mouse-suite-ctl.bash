# bash completion for mouse-suite-ctl
_mouse_suite_ctl_files() {
    local IFS=$'\n'
    compopt -o filenames 2>/dev/null
    COMPREPLY=($(compgen -f -- "$cur"))
}
_mouse_suite_ctl() {
    # Plain COMP_WORDS, so that it works without the bash-completion package too.
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}
    local -a args=()
    local w
    for w in "${COMP_WORDS[@]:1:COMP_CWORD-1}"; do
        [[ $w == --* ]] || args+=("$w")
    done
    if [[ $prev == --level ]]; then
        COMPREPLY=($(compgen -W "1 2 3 4 5" -- "$cur"))
        return
    fi
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "--json --yes --level --help --version" -- "$cur"))
        return
    fi
    case "${#args[@]}:${args[0]}" in
    0:)
        COMPREPLY=($(compgen -W "status profile dpi rate lighting axis button macro factory-reset" -- "$cur")) ;;
    1:profile) COMPREPLY=($(compgen -W "list switch export import" -- "$cur")) ;;
    1:dpi) COMPREPLY=($(compgen -W "set enable" -- "$cur")) ;;
    1:rate) COMPREPLY=($(compgen -W "125 250 500 1000" -- "$cur")) ;;
    1:lighting) COMPREPLY=($(compgen -W "off static breath neon tapping" -- "$cur")) ;;
    1:macro) COMPREPLY=($(compgen -W "list export import" -- "$cur")) ;;
    1:button) COMPREPLY=($(compgen -W "1 2 3 4 5 6 functions" -- "$cur")) ;;
    2:button)
        COMPREPLY=($(compgen -W "$(mouse-suite-ctl button functions 2>/dev/null | cut -d' ' -f1)" -- "$cur")) ;;
    2:dpi) COMPREPLY=($(compgen -W "1 2 3 4 5 6" -- "$cur")) ;;
    3:dpi)
        if [[ ${args[1]} == set ]]; then
            COMPREPLY=($(compgen -W "250 500 750 1000 1250 1500 1750 2000 2500 3000 3500 4000" -- "$cur"))
        else
            COMPREPLY=($(compgen -W "on off" -- "$cur"))
        fi ;;
    1:axis|2:axis) COMPREPLY=($(compgen -W "20 40 60 80 100 120 140 160 180 200" -- "$cur")) ;;
    2:profile)
        case ${args[1]} in
        switch|export) COMPREPLY=($(compgen -W "1 2 3 4 5 6" -- "$cur")) ;;
        import) _mouse_suite_ctl_files ;;
        esac ;;
    3:profile) [[ ${args[1]} == export ]] && _mouse_suite_ctl_files ;;
    2:macro)
        case ${args[1]} in
        export) local IFS=$'\n'; COMPREPLY=($(compgen -W "$(mouse-suite-ctl macro list 2>/dev/null)" -- "$cur")) ;;
        import) _mouse_suite_ctl_files ;;
        esac ;;
    3:macro) [[ ${args[1]} == export ]] && _mouse_suite_ctl_files ;;
    esac
} &&
    complete -F _mouse_suite_ctl mouse-suite-ctl
