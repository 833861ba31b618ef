# bash completion for locmap: commands, options, files, and the soft prefixes of the map named by --map.
#
# Installed as share/bash-completion/completions/locmap; bash-completion loads
# it the first time "locmap" is completed. Soft prefixes come from
# "locmap --map FILE list --keep-going" and are offered in single quotes, so
# that the shell does not expand "$TOOLS" as a variable.

_locmap_commands="check hard abs soft paths which list explain where add set remove save export help"
_locmap_global_options="--help --version --map --project --strict --keep-going"

# The options of one command, beyond the global ones.
_locmap_command_options() {
    case "$1" in
        check) echo "--format --json" ;;
        list) echo "--format --json" ;;
        explain) echo "--json --map-only" ;;
        hard | abs) echo "--map-only" ;;
        add) echo "--file --quiet --dry-run" ;;
        set | remove) echo "--file --all-files --quiet --dry-run" ;;
        export) echo "--overwrite-map" ;;
        *) echo "" ;;
    esac
}

# The soft prefixes of the map file given with --map (or -m), one per line.
_locmap_soft_prefixes() {
    local map="" i
    for ((i = 1; i < ${#COMP_WORDS[@]} - 1; i++)); do
        case "${COMP_WORDS[i]}" in
            --map | -m) map="${COMP_WORDS[i + 1]}" ;;
            --map=*) map="${COMP_WORDS[i]#--map=}" ;;
        esac
    done
    [ -n "$map" ] || return 0
    # A tilde as typed is the shell's to expand.
    map="${map/#\~/$HOME}"
    # Each entry starts a line with its prefix; its hard paths are indented.
    locmap --map "$map" list --keep-going 2>/dev/null | while read -r first _; do
        case "$first" in
            \$*) echo "$first" ;;
        esac
    done
}

_locmap() {
    local current="${COMP_WORDS[COMP_CWORD]}"
    local previous="${COMP_WORDS[COMP_CWORD - 1]}"
    local command="" i
    for ((i = 1; i < COMP_CWORD; i++)); do
        case "${COMP_WORDS[i]}" in
            --map | -m | --project | -p | --file | --format) ((i++)) ;;
            -*) ;;
            *) command="${COMP_WORDS[i]}"; break ;;
        esac
    done

    case "$previous" in
        --map | -m | --file)
            COMPREPLY=($(compgen -f -- "$current"))
            return 0
            ;;
        --project | -p)
            COMPREPLY=($(compgen -d -- "$current"))
            return 0
            ;;
        --format)
            if [ "$command" = check ]; then
                COMPREPLY=($(compgen -W "text legacy" -- "$current"))
            else
                COMPREPLY=($(compgen -W "text map" -- "$current"))
            fi
            return 0
            ;;
    esac

    if [[ "$current" == -* ]]; then
        COMPREPLY=($(compgen -W "$_locmap_global_options $(_locmap_command_options "$command")" -- "$current"))
        return 0
    fi
    case "$command" in
        "")
            COMPREPLY=($(compgen -W "$_locmap_commands" -- "$current"))
            ;;
        help)
            COMPREPLY=($(compgen -W "$_locmap_commands" -- "$current"))
            ;;
        export | soft | abs)
            COMPREPLY=($(compgen -f -- "$current"))
            ;;
        hard | paths | which | explain | add | set | remove)
            # A prefix typed so far may start with its quote, or without one.
            local typed="${current#\'}" prefix
            COMPREPLY=()
            while read -r prefix; do
                [ -n "$prefix" ] || continue
                [[ "$prefix" == "$typed"* ]] && COMPREPLY+=("'$prefix'")
            done < <(_locmap_soft_prefixes)
            ;;
    esac
    return 0
}

complete -F _locmap locmap
