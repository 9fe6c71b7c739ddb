#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Syrel developers
# Renders the demo clips played by the viewer: the boot sequence and the
# world-map loops. Everything is drawn by ffmpeg's lavfi sources and filters,
# so the clips can be rebuilt from scratch on any machine with Debian's ffmpeg.
#
#   tools/make-clips.sh OUTDIR
set -euo pipefail

die() { printf 'make-clips: %s\n' "$*" >&2; exit 1; }

[[ $# -eq 1 && -n $1 ]] || die "usage: $0 OUTDIR"
command -v ffmpeg >/dev/null 2>&1 || die "ffmpeg not found in PATH"

FONTDIR=/usr/share/fonts/truetype/dejavu
MONO=$FONTDIR/DejaVuSansMono.ttf
MONOB=$FONTDIR/DejaVuSansMono-Bold.ttf
SANS=$FONTDIR/DejaVuSans.ttf
SANSB=$FONTDIR/DejaVuSans-Bold.ttf
for f in "$MONO" "$MONOB" "$SANS" "$SANSB"; do
    [[ -r $f ]] || die "missing font $f (install fonts-dejavu-core)"
done

mkdir -p -- "$1"
OUT=$(cd -- "$1" && pwd)
WORK=$(mktemp -d "${TMPDIR:-/tmp}/make-clips.XXXXXX")
# Partial outputs live next to their final name (so mv is atomic) and are
# swept on any exit, which keeps an interrupted run from leaving junk behind.
trap 'rm -rf -- "$WORK"; rm -f -- "$OUT"/.*.avi.part' EXIT

FPS=25
FF=(ffmpeg -hide_banner -loglevel error -nostdin -y -threads 2)

# ---------------------------------------------------------------- helpers --

G=()            # filters of the clip being built, chained in order
add() { G+=("$1"); }

# drawtext wants ':' escaped even inside quotes; quotes themselves are banned.
esc() { local s=${1//\\/}; s=${s//\'/}; printf '%s' "${s//:/\\:}"; }

# text X Y SIZE COLOUR STRING [FONT] [extra drawtext options]
text() {
    local font=${6:-$MONO} extra=${7:-}
    add "drawtext=fontfile=$font:expansion=none:text='$(esc "$5")':fontsize=$3:fontcolor=$4:x='$1':y='$2'${extra:+:$extra}"
}

# sweep XEXPR YEXPR W H COLOUR: a translucent strip moving over the frame.
# drawbox cannot move over time, so this closes the chain, overlays a colour
# source and lets the next filter carry on from the overlay's output.
SWEEPS=0
sweep() {
    SWEEPS=$((SWEEPS + 1))
    local n=$SWEEPS
    add "null[sw${n}a];color=c=$5:s=$3x$4:r=$FPS,format=yuva420p[sw${n}s];[sw${n}a][sw${n}s]overlay=x='$1':y='$2':shortest=1"
}

# shellcheck disable=SC2016 # the quotes are ffmpeg's, not the shell's
box() { add "drawbox=x=$1:y=$2:w=$3:h=$4:c=$5:t=fill${6:+:enable='$6'}"; }

# Eased track through "time:value" keys; before the first key it holds the
# first value, after the last it holds the last one.
track() {
    local tv=$1 pt pv kt kv s e
    shift
    IFS=: read -r pt pv <<<"$1"
    shift
    e="($pv)"
    for k in "$@"; do
        IFS=: read -r kt kv <<<"$k"
        s="clip(($tv-($pt))/(($kt)-($pt)),0,1)"
        e+="+(($kv)-($pv))*$s*$s*(3-2*$s)"
        pt=$kt pv=$kv
    done
    printf '%s' "$e"
}

# marker COLOUR XEXPR YEXPR [GLYPH] [SIZE]
# XEXPR/YEXPR use @ for the time, so the same path can be replayed late to
# draw a fading trail behind the marker.
marker() {
    local col=$1 xe=$2 ye=$3 g=${4:-■} sz=${5:-16} i
    for i in 3 2 1; do
        local lag="(t-$i*0.12)"
        add "drawtext=fontfile=$SANS:expansion=none:text='$g':fontsize=$sz:fontcolor=$col:alpha='$(awk "BEGIN{print 0.55-$i*0.15}")':x='${xe//@/$lag}-tw/2':y='${ye//@/$lag}-th/2'"
    done
    add "drawtext=fontfile=$SANS:expansion=none:text='$g':fontsize=$sz:fontcolor=$col:borderw=1:bordercolor=0x102024:x='${xe//@/t}-tw/2':y='${ye//@/t}-th/2'"
}

# tower X Y PHASE: a relay mast standing on the map with a blinking beacon
tower() {
    box $(($1 - 4)) $(($2 - 22)) 8 22 0x0e262c
    box $(($1 - 2)) $(($2 - 20)) 4 18 0x5f9ea0
    box $(($1 - 6)) $(($2 - 2)) 12 3 0x0e262c
    box $(($1 - 2)) $(($2 - 27)) 4 4 0xff3030 "lt(mod(t+$3,1),0.5)"
}

# header/footer chrome shared by every map view
chrome() {
    local title=$1 status=$2 ink=${3:-0xe8fbfa} bar=${4:-0x06242a@0.72}
    box 0 0 640 28 "$bar"
    box 0 452 640 28 "$bar"
    box 0 28 640 1 "$ink@0.5"
    box 0 451 640 1 "$ink@0.5"
    text 10 6 16 "$ink" "$title" "$MONOB"
    add "drawtext=fontfile=$MONO:text='T+%{eif\\:trunc(t)\\:d\\:2}.%{eif\\:mod(trunc(t*10),10)\\:d}':fontsize=15:fontcolor=$ink:x=w-tw-10:y=7"
    text 10 458 13 "$ink@0.85" "$status"
    # legend swatches, right aligned in the footer
    local x=470 c
    for c in 0xe02020 0x20c040 0xe020e0 0xc0c000 0x804000; do
        box $x 461 12 12 "$c"
        x=$((x + 32))
    done
}

# territory labels at the middle of each land mass
labels() {
    local ink=${1:-0x0b3a42@0.8}
    text 132 108 14 "$ink" "I" "$SANSB"
    text 170 312 14 "$ink" "II" "$SANSB"
    text 336 128 14 "$ink" "III" "$SANSB"
    text 500 188 14 "$ink" "IV" "$SANSB"
    text 470 384 14 "$ink" "V" "$SANSB"
}

# render NAME DURATION AUDIO_EXPR INPUT_ARGS...: encode the chain in G over
# the given video input, with a generated mono sound track.
render() {
    local name=$1 dur=$2 aexpr=$3
    shift 3
    local part=$OUT/.$name.part graph=$WORK/$name.graph
    {
        printf '[0:v]'
        local first=1 f
        for f in "${G[@]}"; do
            ((first)) || printf ',\n'
            printf '%s' "$f"
            first=0
        done
        printf ',format=yuv420p[v]\n'
    } >"$graph"
    # Theora: GStreamer decodes it with libtheora alone, where MPEG-4 loads
    # all of FFmpeg's libraries into the player (some 30 MB of them
    # resident); it also costs less to decode than VP8.
    "${FF[@]}" "$@" \
        -f lavfi -i "aevalsrc=exprs='$aexpr':s=22050:c=mono:d=$dur" \
        -filter_complex_script "$graph" \
        -map '[v]' -map 1:a -t "$dur" -r $FPS \
        -c:v libtheora -q:v 8 -pix_fmt yuv420p \
        -c:a pcm_s16le -ar 22050 -ac 1 \
        -f avi "$part" || die "ffmpeg failed on $name"
    [[ -s $part ]] || die "$name came out empty"
    mv -f -- "$part" "$OUT/$name"
    G=() SWEEPS=0
}

# ------------------------------------------------------------- base maps --

# Land is the union of five blobby territories (ellipses bent by a little
# low-frequency noise); the fifth is kept apart so it can be highlighted.
NOISE='(0.09*sin(X/23+2*cos(Y/31))*cos(Y/19-sin(X/41))+0.04*sin((X+2*Y)/11))'
ell() { printf '(1-pow((X-%s)/%s,2)-pow((Y-%s)/%s,2))' "$1" "$3" "$2" "$4"; }
LAND14="max(max(max($(ell 150 140 102 64),$(ell 185 322 58 94)),max($(ell 345 150 62 52),$(ell 502 165 108 74))),max($(ell 300 408 22 12),$(ell 604 300 14 10)))"
LAND5=$(ell 470 356 80 54)

# geq channel expression: water / shallows / coast / land / fifth territory
# colours, each as a vertical top->bottom ramp "top,bottom".
chan() {
    local water=$1 shallow=$2 coast=$3 land=$4 fifth=$5 stripe=$6
    ramp() { printf '(%s+(%s-(%s))*Y/H)' "${1%,*}" "${1#*,}" "${1%,*}"; }
    [[ $stripe == - ]] && stripe=$(ramp "$fifth")    # no hatching
    printf '%s' "st(0,$NOISE);st(1,$LAND14+ld(0));st(2,$LAND5+ld(0));st(3,max(ld(1),ld(2)));"
    printf '%s' "if(gt(ld(3),0.07),if(gt(ld(2),0.07),if(lt(mod(X+Y,12),4),$stripe,$(ramp "$fifth")),$(ramp "$land")),"
    printf '%s' "if(gt(ld(3),0),$coast,if(gt(ld(3),-0.12),$(ramp "$shallow"),$(ramp "$water"))))"
}

# make_base FILE GRIDCOLOUR  R-args G-args B-args (see chan)
make_base() {
    local file=$1 grid=$2 r g b
    # shellcheck disable=SC2086 # each colour table splits into chan's args
    r=$(chan $3) g=$(chan $4) b=$(chan $5)
    "${FF[@]}" -f lavfi -i "color=black:s=640x480:r=1:d=1" \
        -vf "format=gbrp,geq=r='$r':g='$g':b='$b',drawgrid=w=32:h=32:t=1:c=$grid" \
        -frames:v 1 -update 1 "$file" || die "could not draw $file"
}

# Desktop teal: pale at the top, deep at the bottom. Fifth territory only
# differs in the highlighted copy.
#            water      shallow    coast land       fifth      stripe
make_base "$WORK/teal.png" "0xe0ffff@0.28" \
    "140,10   170,40     8     200,70     200,70     -" \
    "210,58   230,95     44    236,135    236,135    -" \
    "206,66   224,100    50    224,128    224,128    -"
make_base "$WORK/fifth.png" "0xe0ffff@0.28" \
    "140,10   170,40     8     200,70     230,150    192" \
    "210,58   230,95     44    236,135    230,150    192" \
    "206,66   224,100    50    224,128    140,40     0"
make_base "$WORK/blanc.png" "0x2f7f80@0.22" \
    "246,196  236,212    112   255,234    255,234    -" \
    "252,218  246,228    150   255,242    255,242    -" \
    "252,218  246,228    150   255,242    255,242    -"

# render_still NAME DURATION AUDIO_EXPR BASE: the chain over a base map
render_still() { render "$1" "$2" "$3" -loop 1 -framerate $FPS -t "$2" -i "$WORK/$4.png"; }

# ------------------------------------------------------------------- Boot --

boot() {
    local dur=6 y=16 i=0 t0=0.25 dt=0.24 ti
    box 0 0 800 600 0x000000
    # label|status ; status coloured green, blank status = plain line
    local lines=(
        "SYREL BIOS v1.0  (c) Syrel Systemes|"
        "Processeurs : 4096 noeuds vectoriels|OK"
        "Test memoire ....................... 65536 Mo|OK"
        "Horloge de reference ............... synchronisee|OK"
        "Bus d interconnexion ............... 12 liens|OK"
        "Detection des disques .............. 8 x 4 To|OK"
        "Chargement du noyau SYREL 1.0 ...|"
        "Loading core modules ...|OK"
        "  - ordonnanceur temporel|OK"
        "  - gestionnaire de territoires|OK"
        "  - moteur de cartographie|OK"
        "Virtualisation engine .............. ready|OK"
        "Monde emule : 5 territoires, 24 relais|OK"
        "Synchronisation des unites mobiles ...|OK"
        "Reseau de tours ................... en ligne|OK"
        "Verification d integrite .......... 0 erreur|OK"
        "Interface operateur ...|OK"
        "Demarrage de la session SYREL ...|"
    )
    text 560 16 14 0x3a7a3a "[ Syrel boot ]"
    for l in "${lines[@]}"; do
        ti=$(awk "BEGIN{printf \"%.2f\", $t0+$i*$dt}")
        local label=${l%|*} status=${l#*|} col=0xd8ffd8
        ((i == 0)) && col=0xffffff
        if [[ $label == *"Test memoire"* ]]; then
            # the memory size counts up before it settles
            add "drawtext=fontfile=$MONO:text='Test memoire ....................... %{eif\\:min(65536,trunc((t-$ti)*65536/0.2/16)*16)\\:d} Mo':fontsize=15:fontcolor=$col:x=20:y=$y:enable='gte(t,$ti)'"
        else
            # leading blanks would be eaten by option parsing: indent by x
            local body=${label#"${label%%[! ]*}"}
            local indent=$(( (${#label} - ${#body}) * 9 ))
            text $((20 + indent)) $y 15 $col "$body" "$MONO" "enable='gte(t,$ti)'"
        fi
        if [[ -n $status ]]; then
            text 690 $y 15 0x40ff40 "[ $status ]" "$MONOB" "enable='gte(t,$ti+0.18)'"
        fi
        y=$((y + 26))
        i=$((i + 1))
    done
    # cursor sits on the line being written, blinking
    add "drawtext=fontfile=$MONO:expansion=none:text='_':fontsize=15:fontcolor=0x40ff40:x=20:y='16+26*clip(floor((t-$t0)/$dt)+1,0,${#lines[@]})':enable='lt(mod(t,0.4),0.25)*lt(t,4.9)'"

    # logo: black out the log, glowing teal frame, big name, loading bar
    local L=4.9
    box 0 0 800 600 0x000000 "gte(t,$L)"
    box 170 205 460 170 0x0a5a60@0.35 "gte(t,$L)"
    box 180 215 440 150 0x138a90@0.45 "gte(t,$L)"
    box 190 225 420 130 0x1fb5b5@0.55 "gte(t,$L)"
    box 196 231 408 118 0x041c20 "gte(t,$L)"
    add "drawtext=fontfile=$SANSB:expansion=none:text='SYREL':fontsize=104:fontcolor=0xe8ffff:borderw=3:bordercolor=0x1fb5b5:x=(w-tw)/2:y=236:alpha='clip((t-$L)/0.4,0,1)':enable='gte(t,$L)'"
    text "(w-tw)/2" 395 16 0x7fd8d8 "SYSTEME DE REALITE EMULEE - NOYAU 1.0" "$MONO" "enable='gte(t,$L+0.2)'"
    box 250 430 300 10 0x1fb5b5@0.35 "gte(t,$L)"
    for i in $(seq 0 14); do
        box $((252 + i * 20)) 432 16 6 0x7fffff "gte(t,$L+0.2+$i*0.05)"
    done
    render Boot.avi $dur \
        "0.04*sin(2*PI*60*t)+0.18*sin(2*PI*1320*t)*lt(mod(t-$t0,$dt),0.015)*gte(t,$t0)*lt(t,4.6)+0.14*(sin(2*PI*440*t)+sin(2*PI*660*t)+0.5*sin(2*PI*880*t))*exp(-(t-$L)*1.8)*gte(t,$L)" \
        -f lavfi -i "color=black:s=800x600:r=$FPS:d=$dur"
}

# ------------------------------------------------------------- map views --

AUDIO_HUM() { # HUM_HZ PING_HZ PERIOD
    printf '0.035*sin(2*PI*%s*t)+0.015*sin(2*PI*%s*t)+0.16*sin(2*PI*%s*t)*exp(-mod(t,%s)*16)' "$1" "$(($1 * 2))" "$2" "$3"
}

syrel() { # overview: every colour patrolling its loop, a scan line sweeping
    local d=8 c x y
    tower 150 150 0.0; tower 350 170 0.3; tower 520 150 0.6; tower 190 330 0.2; tower 470 360 0.8
    labels
    sweep "mod(t*80,640)" 29 4 422 "0xe0ffff@0.45"
    local i=0
    for c in 0xe02020 0x20c040 0xe020e0 0xc0c000 0x804000; do
        x="320+(230-$i*20)*cos(2*PI*@/$d+$i*1.26)"
        y="240+(150-$i*18)*sin(2*PI*@/$d*$((i % 2 ? -1 : 1))+$i*1.26)"
        marker "$c" "$x" "$y"
        i=$((i + 1))
    done
    text "(w-tw)/2" 40 22 0x06242a "SYREL WORLD VIEWER" "$SANSB" "box=1:boxcolor=0xe0ffff@0.55:boxborderw=6"
    chrome "SYREL // VUE GENERALE" "5 territoires - 5 unites - 5 relais"
    render_still Syrel.avi $d "$(AUDIO_HUM 90 880 2)" teal
}

vide_tour() { # empty world: only the relays, polled one after another
    local d=6 i=0 p
    local towers=("150 150" "350 170" "520 150" "610 250" "470 360" "190 330" "300 410")
    labels
    for p in "${towers[@]}"; do
        # shellcheck disable=SC2086 # "x y" pairs split on purpose
        tower $p "0.$i"
        # shellcheck disable=SC2086
        set -- $p
        # poll ring: lights up while this relay is being queried
        add "drawtext=fontfile=$SANS:expansion=none:text='◯':fontsize=44:fontcolor=0xffffff:x=$1-tw/2:y=$2-12-th/2:enable='between(mod(t,$d),$i*$d/7,($i+1)*$d/7)'"
        text "$1+12" "$2-34" 11 0x06242a "R$((i + 1))" "$MONOB"
        i=$((i + 1))
    done
    add "drawtext=fontfile=$MONOB:expansion=none:text='AUCUNE UNITE SUR LA CARTE':fontsize=18:fontcolor=0x06242a:x=(w-tw)/2:y=232:box=1:boxcolor=0xe0ffff@0.6:boxborderw=8:enable='lt(mod(t,1.5),1.0)'"
    chrome "SYREL // CARTE VIDE - TOUR DES RELAIS" "Interrogation des relais 1 a 7"
    render_still Map-Vide-Tour.avi $d "$(AUDIO_HUM 70 1200 0.857142857)" teal
}

three_position() { # three units come in from the west and take their posts
    local d=6 c tx ty i=0
    local -a cols=(0xe02020 0x20c040 0xe020e0) txs=(100 330 480) tys=(150 175 345) sy=(120 250 380)
    tower 150 150 0.1; tower 520 150 0.5; tower 190 330 0.7
    labels
    for i in 0 1 2; do
        tx=${txs[i]} ty=${tys[i]}
        # target reticle, pulsing once the unit is there
        local arrive
        arrive=$(awk "BEGIN{print 2.6+$i*0.4}")
        add "drawbox=x=$((tx - 16)):y=$((ty - 16)):w=32:h=32:c=${cols[i]}@0.9:t=2:enable='lt(t,$arrive)+lt(mod(t,0.5),0.3)'"
        box $((tx - 1)) $((ty - 22)) 2 8 "${cols[i]}"
        box $((tx - 1)) $((ty + 14)) 2 8 "${cols[i]}"
        box $((tx - 22)) $((ty - 1)) 8 2 "${cols[i]}"
        box $((tx + 14)) $((ty - 1)) 8 2 "${cols[i]}"
        text "$tx+20" "$ty+12" 12 0x06242a "POS $((i + 1))" "$MONOB"
        marker "${cols[i]}" "$(track @ 0:-20 "$(awk "BEGIN{print 0.9+$i*0.5}"):$((tx - 100))" "$(awk "BEGIN{print 2.6+$i*0.4}"):$tx")" \
            "$(track @ "0:${sy[i]}" "$arrive:$ty")" "■" 20
    done
    add "drawtext=fontfile=$MONOB:expansion=none:text='3 / 3 EN POSITION':fontsize=18:fontcolor=0x06242a:x=(w-tw)/2:y=40:box=1:boxcolor=0xe0ffff@0.6:boxborderw=6:enable='gte(t,3.6)'"
    chrome "SYREL // 3 UNITES - MISE EN POSITION" "Unites rouge, verte, magenta"
    render_still Map-3-Position.avi $d "$(AUDIO_HUM 80 990 1.5)" teal
}

action_221() { # two pairs and a loner converge on the relay in territory III
    local d=7
    tower 345 160 0.0; tower 520 150 0.4; tower 190 330 0.7
    labels
    local T='345' U='168'
    text "$T-22" "$U-22" 40 0xffffff "◎" "$SANS" "alpha='0.4+0.4*sin(t*6)'"
    # pair one (red) from the south-west
    marker 0xe02020 "$(track @ 0:120 2:200 4.5:330)" "$(track @ 0:400 2:330 4.5:178)"
    marker 0xe02020 "$(track @ 0:140 2:222 4.5:346)" "$(track @ 0:420 2:348 4.5:192)"
    # pair two (green) from the north-east
    marker 0x20c040 "$(track @ 0:600 2.3:500 4.5:362)" "$(track @ 0:80 2.3:110 4.5:160)"
    marker 0x20c040 "$(track @ 0:620 2.3:520 4.5:368)" "$(track @ 0:100 2.3:128 4.5:180)"
    # the loner (brown) from the south-east, arrives last
    marker 0x804000 "$(track @ 0:560 1.5:560 3:470 5:345)" "$(track @ 0:420 1.5:400 3:300 5:205)" "●" 22
    add "drawtext=fontfile=$SANSB:expansion=none:text='ACTION':fontsize=44:fontcolor=0xff3030:borderw=2:bordercolor=0xffffff:x=(w-tw)/2:y=64:enable='gte(t,5)*lt(mod(t,0.5),0.35)'"
    chrome "SYREL // ACTION 2 + 2 + 1" "Groupes : 2 rouges - 2 verts - 1 brun"
    render_still Map-2-2-1-Action.avi $d "$(AUDIO_HUM 75 1100 0.875)" teal
}

action_31() { # three magenta units circle territory IV while an olive one strikes
    local d=7 i
    tower 502 165 0.2; tower 150 150 0.6; tower 470 360 0.9
    labels
    for i in 0 1 2; do
        marker 0xe020e0 "502+70*cos(2*PI*@/3.5+$i*2.094)" "165+44*sin(2*PI*@/3.5+$i*2.094)" "■" 18
    done
    marker 0xc0c000 "$(track @ 0:60 3:300 5.2:498)" "$(track @ 0:400 3:250 5.2:165)" "▲" 24
    add "drawtext=fontfile=$SANS:expansion=none:text='✸':fontsize=70:fontcolor=0xffff60:borderw=2:bordercolor=0xc04000:x=502-tw/2:y=165-th/2:enable='gte(t,5.2)*lt(mod(t,0.3),0.2)'"
    add "drawtext=fontfile=$SANSB:expansion=none:text='ACTION':fontsize=44:fontcolor=0xc0c000:borderw=2:bordercolor=0x06242a:x=(w-tw)/2:y=380:enable='gte(t,5.2)'"
    chrome "SYREL // ACTION 3 + 1" "Encerclement : 3 magenta - frappe : 1 olive"
    render_still Map-3-1-Action.avi $d "$(AUDIO_HUM 65 1500 0.7)" teal
}

blanc_tour() { # pale map, one scout doing the round of the whole world
    local d=8
    local ink=0x1f5f66
    tower 150 150 0.0; tower 502 165 0.5; tower 470 360 0.3; tower 190 330 0.8
    labels 0x2f7f80@0.7
    # the round: a closed loop so the clip repeats seamlessly
    local xs ys
    xs=$(track "mod(@,$d)" 0:80 2:560 4:560 6:80 8:80)
    ys=$(track "mod(@,$d)" 0:70 2:70 4:420 6:420 8:70)
    add "drawbox=x=80:y=70:w=480:h=350:c=$ink@0.35:t=1"
    marker 0xe02020 "$xs" "$ys" "●" 22
    chrome "SYREL // CARTE BLANCHE - TOUR" "Eclaireur rouge : tour complet en 8 s" "$ink" "0xffffff@0.7"
    render_still Map-Blanc-Tour.avi $d "$(AUDIO_HUM 100 700 2)" blanc
}

blanc_vide() { # pale and empty: the viewer idles, waiting for data
    local d=5
    local ink=0x1f5f66
    labels 0x2f7f80@0.7
    # monospace, 12 px advance: 21 letters and a cursor, centred by hand
    text 188 226 20 "$ink" "EN ATTENTE DE DONNEES" "$MONOB"
    text 441 226 20 "$ink" "_" "$MONOB" "enable='lt(mod(t,1),0.5)'"
    add "drawtext=fontfile=$SANS:expansion=none:text='◌':fontsize=64:fontcolor=$ink:alpha='0.3+0.3*sin(2*PI*t/$d*5)':x=(w-tw)/2:y=264"
    chrome "SYREL // CARTE BLANCHE - VIDE" "Aucune unite - aucun relais" "$ink" "0xffffff@0.7"
    render_still Map-Blanc-Vide.avi $d "$(AUDIO_HUM 55 520 2.5)" blanc
}

fifth() { # the fifth territory singled out, two patrols inside it
    local d=6
    tower 150 150 0.2; tower 350 170 0.5; tower 520 150 0.7; tower 190 330 0.1
    tower 430 350 0.0; tower 520 370 0.5
    labels
    add "drawbox=x=382:y=294:w=176:h=124:c=0xc0c000:t=3:enable='lt(mod(t,1),0.6)'"
    add "drawtext=fontfile=$SANSB:expansion=none:text='5e TERRITOIRE':fontsize=20:fontcolor=0xc0c000:borderw=2:bordercolor=0x06242a:x=400:y=268"
    marker 0xe02020 "470+52*cos(2*PI*@/3)" "356+30*sin(2*PI*@/3)" "■" 16
    marker 0x804000 "470+40*cos(-2*PI*@/2+1)" "356+22*sin(-2*PI*@/2+1)" "■" 16
    chrome "SYREL // 5e TERRITOIRE" "Territoire V sous surveillance - 2 patrouilles"
    render_still 5eme.avi $d "$(AUDIO_HUM 85 1320 1)" fifth
}

boot
syrel
vide_tour
three_position
action_221
action_31
blanc_tour
blanc_vide
fifth
ls -l -- "$OUT"/*.avi
