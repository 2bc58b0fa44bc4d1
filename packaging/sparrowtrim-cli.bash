# bash completion for sparrowtrim-cli

_sparrowtrim_cli()
{
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
    # One line per option.
    local options=(
        --recursive -r
        --dry-run -n
        --keep-icc
        --keep-orientation
        --keep-date
        --process-read-only
        --quiet -q
        --verbose -v
        --jobs
        --log
        --output -o
        --overwrite
        --help -h
        --version
    )

    # Options that take a value; an empty reply falls back to file names.
    case $prev in
        --jobs)
            COMPREPLY=($(compgen -W "$(seq 1 "$(nproc)")" -- "$cur"))
            return
            ;;
        --log)
            COMPREPLY=()
            return
            ;;
        --output | -o)
            COMPREPLY=($(compgen -d -- "$cur"))
            return
            ;;
    esac

    local word
    for word in "${COMP_WORDS[@]:1:COMP_CWORD - 1}"; do
        [[ $word == -- ]] && return
    done
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "${options[*]} --" -- "$cur"))
    fi
} &&
    complete -o default -F _sparrowtrim_cli sparrowtrim-cli
