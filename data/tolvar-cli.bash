# bash completion for tolvar-cli                             -*- shell-script -*-

_tolvar_cli() {
    local cur prev words cword
    _init_completion || return

    local global='--image --drive --help --version'
    local encoder='--bitrate --max-bitrate --vbr --vbr-quality --vbr-header --no-vbr-header
        --mode --quality --crc --no-crc --copyright --original --private'

    case $prev in
        --image)
            _filedir '@(cue|CUE|toc|TOC|nrg|NRG)'
            return
            ;;
        --out)
            _filedir -d
            return
            ;;
        --log)
            _filedir log
            return
            ;;
        --format)
            COMPREPLY=($(compgen -W 'wav mp3 ogg pcm flac opus' -- "$cur"))
            return
            ;;
        --mode)
            COMPREPLY=($(compgen -W 'stereo joint dual mono' -- "$cur"))
            return
            ;;
        --quality)
            COMPREPLY=($(compgen -W 'normal low high voice' -- "$cur"))
            return
            ;;
        --bitrate | --max-bitrate)
            COMPREPLY=($(compgen -W '8 16 24 32 40 48 56 64 80 96 112 128 144 160 192 224
                256 320' -- "$cur"))
            return
            ;;
        --vbr-quality)
            COMPREPLY=($(compgen -W '0 1 2 3 4 5 6 7 8 9' -- "$cur"))
            return
            ;;
        --ogg-quality)
            COMPREPLY=($(compgen -W '0 1 2 3 4 5 6 7 8 9' -- "$cur"))
            return
            ;;
        --flac-level)
            COMPREPLY=($(compgen -W '0 1 2 3 4 5 6 7 8' -- "$cur"))
            return
            ;;
        --proto)
            COMPREPLY=($(compgen -W '5 6' -- "$cur"))
            return
            ;;
        --drive | --seconds | --first | --last | --choose | --title | --artist | --album | \
            --year | --comment | --genre | --server | --path | --email | --proxy | \
            --category | --discid | --sources | --opus-bitrate | --album-artist | --track | --disc | --isrc | \
            --offset)
            return
            ;;
    esac

    # The command is the first word that is neither an option nor an option's value.
    local i command='' sub=''
    for ((i = 1; i < cword; i++)); do
        case ${words[i]} in
            --image | --drive) ((i++)) ;;
            -*) ;;
            *)
                if [[ -z $command ]]; then
                    command=${words[i]}
                elif [[ $command =~ ^(cddb|accuraterip|offset|log)$ && -z $sub ]]; then
                    sub=${words[i]}
                fi
                ;;
        esac
    done

    local options
    case $command in
        '')
            if [[ $cur == -* ]]; then
                COMPREPLY=($(compgen -W "$global" -- "$cur"))
            else
                COMPREPLY=($(compgen -W 'drives toc discid lookup accuraterip verify offset log cddb tag encode play eject close rip cue' \
                    -- "$cur"))
            fi
            return
            ;;
        cddb)
            if [[ -z $sub ]]; then
                COMPREPLY=($(compgen -W 'discid query read lookup' -- "$cur"))
                return
            fi
            options='--server --path --email --proxy --proto --choose --verbose --category --discid'
            ;;
        accuraterip)
            [[ -z $sub ]] && COMPREPLY=($(compgen -W 'id lookup' -- "$cur"))
            return
            ;;
        offset)
            [[ -z $sub ]] && COMPREPLY=($(compgen -W 'detect' -- "$cur"))
            return
            ;;
        log)
            if [[ -z $sub ]]; then
                COMPREPLY=($(compgen -W 'verify' -- "$cur"))
            else
                _filedir
            fi
            return
            ;;
        verify) options='--offset' ;;
        tag) options='--title --artist --album --year --comment --genre --album-artist --track --disc --isrc' ;;
        encode) options="--format --jobs --flac-level --opus-bitrate $encoder" ;;
        play) options='--seconds' ;;
        rip)
            options="--format --out --single --artist --title --album --year --genre --comment
                --album-artist --track --disc --isrc --ogg-quality --flac-level --opus-bitrate
                --jitter-correct --jobs --lookup --sources --choose --cover --verify
                --test-and-copy --offset --log $encoder"
            ;;
        cue) options='--first --last --format --out --artist --album' ;;
        lookup) options='--sources --choose --json --cover' ;;
        *) options='' ;;
    esac

    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options $global" -- "$cur"))
    elif [[ $command == tag || $command == encode || $command == cue ]]; then
        _filedir
    fi
} &&
    complete -F _tolvar_cli tolvar-cli

# ex: filetype=sh
