# SPDX-License-Identifier: Apache-2.0
# bash completion for locmap: commands, options, files, and the soft prefixes of the map the command line names.
#
# Installed as share/bash-completion/completions/locmap; bash-completion loads
# it the first time "locmap" is completed. Soft prefixes come from
# "locmap [--map FILE | --project DIR] --keep-going list", run with no
# standard input and a time limit, and are offered in single quotes, so that
# the shell does not expand "$TOOLS" as a variable. File names are handed to
# readline as they are, which quotes them itself.

_locmap_commands="check hard abs soft paths which where list explain add set remove save export help"
_locmap_global_options="--help --version --map --project --strict --quiet --keep-going"
# Seconds a locmap run started for completion may take.
_locmap_time_limit=2

# The options of one command, beyond the global ones (which may also follow it).
_locmap_command_options() {
    case "$1" in
        check | list) echo "--format --json" ;;
        explain) echo "--json --map-only" ;;
        hard | abs) echo "--json --map-only" ;;
        soft | where) echo "--json" ;;
        add) echo "--file --dry-run" ;;
        set | remove) echo "--file --all-files --dry-run" ;;
        save) echo "--dry-run --force" ;;
        export) echo "--overwrite-map" ;;
    esac
}

# Whether option $1 takes the next word as its value.
_locmap_takes_value() {
    case "$1" in
        --map | -m | --project | -p | --file | --format) return 0 ;;
    esac
    return 1
}

# Sets REPLY to word $1 as the shell will pass it: quotes and backslashes
# removed, nothing expanded (an unclosed quote runs to the end).
_locmap_dequote() {
    local word=$1 out="" quote="" c i
    for ((i = 0; i < ${#word}; i++)); do
        c=${word:i:1}
        if [ "$quote" = "'" ]; then
            if [ "$c" = "'" ]; then quote=""; else out+=$c; fi
        elif [ "$c" = "\\" ] && ((i + 1 < ${#word})); then
            # Within double quotes a backslash escapes only $ ` " and itself.
            if [ "$quote" = '"' ] && [[ "${word:i+1:1}" != [\$\`\"\\] ]]; then
                out+=$c
            else
                ((i++))
                out+=${word:i:1}
            fi
        elif [ "$quote" = '"' ]; then
            if [ "$c" = '"' ]; then quote=""; else out+=$c; fi
        elif [ "$c" = "'" ] || [ "$c" = '"' ]; then
            quote=$c
        else
            out+=$c
        fi
    done
    # A leading tilde the user typed unquoted is the shell's to expand.
    if [ "${word:0:1}" = "~" ]; then
        case "$out" in
            "~") out=$HOME ;;
            "~/"*) out=$HOME${out:1} ;;
        esac
    fi
    REPLY=$out
}

# Reads the command line up to the cursor into:
#   _locmap_words  the finished words, dequoted, "--option=value" as one word
#   _locmap_cur    the word being completed, dequoted
#   _locmap_option the option whose value is being completed, or empty
#   _locmap_stem   what goes before each offer in the word bash replaces
# Bash splits "--map=FILE" into "--map", "=" and "FILE"; the parts are joined
# again here, whether or not "=" breaks words in this shell.
_locmap_read_line() {
    local i word
    _locmap_words=()
    for ((i = 1; i < COMP_CWORD; i++)); do
        word=${COMP_WORDS[i]}
        if [ "$word" = "=" ] && [ ${#_locmap_words[@]} -gt 0 ] && [[ "${_locmap_words[-1]}" == -* ]]; then
            if ((i + 1 < COMP_CWORD)); then
                ((i++))
                _locmap_dequote "${COMP_WORDS[i]}"
                _locmap_words[-1]+="=$REPLY"
            else
                _locmap_words[-1]+="="
            fi
            continue
        fi
        _locmap_dequote "$word"
        _locmap_words+=("$REPLY")
    done
    word=${COMP_WORDS[COMP_CWORD]}
    _locmap_option=""
    _locmap_stem=""
    if [ "$word" = "=" ] && [ ${#_locmap_words[@]} -gt 0 ] && [[ "${_locmap_words[-1]}" == -* ]]; then
        # The cursor stands right after "--option=".
        _locmap_option=${_locmap_words[-1]}
        unset '_locmap_words[-1]'
        word=""
    elif [ ${#_locmap_words[@]} -gt 0 ] && [[ "${_locmap_words[-1]}" == -*= ]]; then
        _locmap_option=${_locmap_words[-1]%=}
        unset '_locmap_words[-1]'
    elif [[ "$word" == --*=* ]]; then
        # "=" does not break words here: the offer replaces "--option=..." whole.
        _locmap_option=${word%%=*}
        _locmap_stem="$_locmap_option="
        word=${word#*=}
    elif [ ${#_locmap_words[@]} -gt 0 ] && _locmap_takes_value "${_locmap_words[-1]}"; then
        _locmap_option=${_locmap_words[-1]}
    fi
    _locmap_dequote "$word"
    _locmap_cur=$REPLY
}

# Sets _locmap_command to the command word, and _locmap_map_options to the
# options that choose the map (--map or --project, before or after the command).
_locmap_find_command() {
    local i word
    _locmap_command=""
    _locmap_map_options=()
    _locmap_arguments=0
    for ((i = 0; i < ${#_locmap_words[@]}; i++)); do
        word=${_locmap_words[i]}
        case "$word" in
            --map | -m | --project | -p)
                _locmap_map_options=("$word" "${_locmap_words[i + 1]-}")
                ((i++))
                ;;
            --map=* | --project=*) _locmap_map_options=("${word%%=*}" "${word#*=}") ;;
            -*) _locmap_takes_value "$word" && ((i++)) ;;
            *)
                if [ -z "$_locmap_command" ]; then
                    _locmap_command=$word
                else
                    ((_locmap_arguments++))
                fi
                ;;
        esac
    done
}

# Prints the soft prefixes of the map the command line names (or the map
# found from here when it names none), one per line. A map read from standard
# input gives none: completion never waits for the terminal.
_locmap_soft_prefixes() {
    [ "${_locmap_map_options[1]-}" != "-" ] || return 0
    local limit=()
    type -P timeout >/dev/null && limit=(timeout -k 1 "$_locmap_time_limit")
    local line
    "${limit[@]}" locmap "${_locmap_map_options[@]}" --keep-going list </dev/null 2>/dev/null |
        while IFS= read -r line; do
            # Each entry starts a line with its prefix; its hard paths are indented.
            line=${line%%[[:blank:]]*}
            [[ "$line" == \$* ]] && printf '%s\n' "$line"
        done
}

# COMPREPLY: the words of list $1 that start with the current word.
_locmap_offer_words() {
    local word
    COMPREPLY=()
    for word in $1; do
        [[ "$word" == "$_locmap_cur"* ]] && COMPREPLY+=("$_locmap_stem$word")
    done
}

# COMPREPLY: files (or, with -d, folders) whose names start with the current word.
_locmap_offer_files() {
    local name
    COMPREPLY=()
    compopt -o filenames 2>/dev/null
    while IFS= read -r name; do
        COMPREPLY+=("$_locmap_stem$name")
    done < <(compgen "${1:--f}" -- "$_locmap_cur")
}

# COMPREPLY: the map's soft prefixes that start with the current word, quoted.
# With "open", for a soft name that goes on (hard '$TOOLS/bin/cc'), the quote
# stays open and no blank follows, so the rest can be typed at once.
_locmap_offer_prefixes() {
    local prefix close="'"
    COMPREPLY=()
    if [ "${1-}" = open ]; then
        close=""
        compopt -o nospace 2>/dev/null
    fi
    while IFS= read -r prefix; do
        [[ "$prefix" == "$_locmap_cur"* ]] && COMPREPLY+=("'$prefix$close")
    done < <(_locmap_soft_prefixes)
}

_locmap() {
    local _locmap_words _locmap_cur _locmap_option _locmap_stem
    local _locmap_command _locmap_map_options _locmap_arguments
    _locmap_read_line
    _locmap_find_command
    COMPREPLY=()

    case "$_locmap_option" in
        --map | -m | --file) _locmap_offer_files -f; return 0 ;;
        --project | -p) _locmap_offer_files -d; return 0 ;;
        --format)
            if [ "$_locmap_command" = check ]; then
                _locmap_offer_words "text legacy"
            else
                _locmap_offer_words "text map"
            fi
            return 0
            ;;
    esac

    if [[ "$_locmap_cur" == -* ]]; then
        _locmap_offer_words "$_locmap_global_options $(_locmap_command_options "$_locmap_command")"
        return 0
    fi
    case "$_locmap_command" in
        "" | help) _locmap_offer_words "$_locmap_commands" ;;
        export | soft | abs) _locmap_offer_files -f ;;
        hard | explain) _locmap_offer_prefixes open ;;
        paths | which) _locmap_offer_prefixes ;;
        # A prefix, then hard paths.
        set) if [ "$_locmap_arguments" = 0 ]; then _locmap_offer_prefixes; else _locmap_offer_files -d; fi ;;
        add) [ "$_locmap_arguments" = 0 ] || _locmap_offer_files -d ;;
        remove) [ "$_locmap_arguments" = 0 ] && _locmap_offer_prefixes ;;
    esac
    return 0
}

complete -F _locmap locmap
