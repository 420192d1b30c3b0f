#!/usr/bin/env bash
# Wine + Xvfb environment for running launcher.exe and the e2e tests.
#
# Source it and call the functions, or run it as a command:
#   scripts/wine-env.sh up STATE_DIR [PREFIX_DIR] [--fresh]
#       display (Xvfb when there is no DISPLAY) + prefix (default STATE_DIR/prefix;
#       --fresh: made anew even when one is there) + persistent wineserver;
#       writes STATE_DIR/env (KEY=VALUE lines) for the programs that follow
#   scripts/wine-env.sh down STATE_DIR [--remove-prefix]
#       wineserver -k, stops the Xvfb that `up` started, optionally deletes the prefix
#   scripts/wine-env.sh screenshot FILE.png [STATE_DIR]
#       PNG of the whole screen of $DISPLAY (or of the display that `up` recorded)
#
# Every function is idempotent and quiet; failures go to stderr with a non-zero status.
# The state lives in files because the set-up, the tests and the clean-up run as
# separate processes (ctest fixtures).

# ---------------------------------------------------------------- helpers

wine_env__say() { printf 'wine-env: %s\n' "$*" >&2; }

# Runs a Wine tool with the environment every launcher run uses.
wine_env__wine() {
  WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" "$@"
}

# True when the X server of display number $1 accepts connections.
wine_env__display_up() {
  DISPLAY=":$1" xdpyinfo >/dev/null 2>&1
}

# ---------------------------------------------------------------- display

# Starts Xvfb when there is no DISPLAY (or reuses the one a previous call
# started, as recorded in $WINE_ENV_STATE). Exports DISPLAY.
wine_env_start_display() {
  local state=${WINE_ENV_STATE:?wine_env_start_display: WINE_ENV_STATE is not set}
  mkdir -p "$state"
  if [[ -f $state/xvfb.pid && -f $state/xvfb.display ]]; then
    local pid display
    pid=$(<"$state/xvfb.pid")
    display=$(<"$state/xvfb.display")
    if kill -0 "$pid" 2>/dev/null && wine_env__display_up "$display"; then
      export DISPLAY=":$display"
      return 0
    fi
    rm -f "$state/xvfb.pid" "$state/xvfb.display"
  fi
  if [[ -n ${DISPLAY:-} ]]; then
    return 0
  fi
  local n
  for ((n = 99; n >= 10; n--)); do
    # A lock file or socket means another server has (or had) that number.
    [[ -e /tmp/.X$n-lock || -e /tmp/.X11-unix/X$n ]] && continue
    Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp -noreset </dev/null >"$state/xvfb.log" 2>&1 &
    local pid=$!
    disown "$pid" 2>/dev/null || true
    local tries
    for ((tries = 0; tries < 100; tries++)); do  # up to 10 s
      if wine_env__display_up "$n"; then
        echo "$pid" >"$state/xvfb.pid"
        echo "$n" >"$state/xvfb.display"
        export DISPLAY=":$n"
        return 0
      fi
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    # Lost a race for this number, or the server hung: try the next one.
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  done
  wine_env__say "could not start Xvfb (see $state/xvfb.log)"
  return 1
}

# ---------------------------------------------------------------- prefix

# Makes a Wine prefix in $1 (removing whatever was there) with the settings the
# launcher needs under Xvfb, and leaves a persistent wineserver running for it.
# A prefix this function finished before (marker file) is reused as it is.
wine_env_make_prefix() {
  local prefix=${1:?wine_env_make_prefix: prefix directory missing}
  export WINEPREFIX=$prefix
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  if [[ ! -f $prefix/.e2e-ready ]]; then
    wineserver -k >/dev/null 2>&1 || true
    rm -rf "$prefix"
    mkdir -p "$prefix"
    local log=${WINE_ENV_STATE:-$(dirname "$prefix")}/wineboot.log
    if ! wine_env__wine wineboot -i </dev/null >"$log" 2>&1; then
      wine_env__say "wineboot -i failed (see $log)"
      return 1
    fi
    wineserver -w
    local reg=(wine_env__wine wine reg add)
    local link='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink'
    local font
    # No window manager on Xvfb: unmanaged windows, so hiding or closing a
    # top-level window does not wait 2 s for one.
    "${reg[@]}" 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || return 1
    # Chinese texts go through these faces; link them to a CJK font.
    for font in Tahoma "Microsoft Sans Serif" "MS Shell Dlg"; do
      "${reg[@]}" "$link" /v "$font" /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f \
        >/dev/null 2>&1 || return 1
    done
    for font in "Microsoft YaHei" SimSun; do
      "${reg[@]}" 'HKCU\Software\Wine\Fonts\Replacements' /v "$font" /d 'WenQuanYi Micro Hei' /f \
        >/dev/null 2>&1 || return 1
    done
    wineserver -w
    touch "$prefix/.e2e-ready"
  fi
  wine_env_keep_server
}

# Keeps the wineserver of $WINEPREFIX alive between programs: a program then
# starts in about 0.2 s instead of 0.6 s.
wine_env_keep_server() {
  : "${WINEPREFIX:?wine_env_keep_server: WINEPREFIX is not set}"
  # wineserver -p daemonises; with a server already running it just makes it persistent.
  wineserver -p >/dev/null 2>&1 </dev/null
  # The first program of a server session starts Wine's helper processes
  # (services, winedevice), which inherit that program's output handles and
  # would hold a caller's pipe open: start them here, on /dev/null.
  wine_env__wine wine cmd /c exit </dev/null >/dev/null 2>&1
}

# ---------------------------------------------------------------- screenshots

# Saves the whole screen of $DISPLAY as a PNG.
wine_env_screenshot() {
  local file=${1:?wine_env_screenshot: file missing}
  mkdir -p "$(dirname "$file")"
  if [[ -z ${DISPLAY:-} ]]; then
    wine_env__say "screenshot: no DISPLAY"
    return 1
  fi
  if ! /usr/bin/import -display "$DISPLAY" -window root "$file" 2>/dev/null; then
    wine_env__say "screenshot of $DISPLAY failed"
    return 1
  fi
}

# ---------------------------------------------------------------- clean-up

# Stops the wineserver of $WINEPREFIX (and with it every program of the prefix)
# and the Xvfb that wine_env_start_display started.
wine_env_cleanup() {
  if [[ -n ${WINEPREFIX:-} && -d $WINEPREFIX ]]; then
    wineserver -k >/dev/null 2>&1 || true
    # wineserver -k returns before the server is gone; wait for it, bounded.
    timeout 10 wineserver -w >/dev/null 2>&1 || true
  fi
  local state=${WINE_ENV_STATE:-}
  if [[ -n $state && -f $state/xvfb.pid ]]; then
    local pid tries
    pid=$(<"$state/xvfb.pid")
    if kill "$pid" 2>/dev/null; then
      for ((tries = 0; tries < 50; tries++)); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
      done
      kill -9 "$pid" 2>/dev/null || true
    fi
    rm -f "$state/xvfb.pid" "$state/xvfb.display"
  fi
}

# ---------------------------------------------------------------- state file

# Writes the environment that later processes (the tests) need.
wine_env_write_state() {
  local state=${WINE_ENV_STATE:?}
  {
    echo "DISPLAY=$DISPLAY"
    echo "WINEPREFIX=$WINEPREFIX"
    echo "WINEDEBUG=$WINEDEBUG"
    echo "WINEDLLOVERRIDES=$WINEDLLOVERRIDES"
    echo "LANG=${LANG:-C.UTF-8}"
  } >"$state/env.tmp" && mv "$state/env.tmp" "$state/env"
}

# Loads STATE_DIR/env into the shell (exported).
wine_env_load_state() {
  local state=${WINE_ENV_STATE:?} line
  [[ -f $state/env ]] || return 1
  while IFS= read -r line; do
    [[ $line == *=* ]] && export "${line%%=*}=${line#*=}"
  done <"$state/env"
}

# ---------------------------------------------------------------- command mode

wine_env__main() {
  local command=${1:-}
  shift || true
  local positional=() fresh=0 remove=0 arg
  for arg in "$@"; do
    case $arg in
      --fresh) fresh=1 ;;
      --remove-prefix) remove=1 ;;
      -*) wine_env__say "unknown option $arg"; return 2 ;;
      *) positional+=("$arg") ;;
    esac
  done
  case $command in
    up)
      [[ ${#positional[@]} -ge 1 ]] || { wine_env__say "usage: wine-env.sh up STATE_DIR [PREFIX_DIR] [--fresh]"; return 2; }
      mkdir -p "${positional[0]}" || return 1
      export WINE_ENV_STATE
      WINE_ENV_STATE=$(cd "${positional[0]}" && pwd)
      local prefix=${positional[1]:-$WINE_ENV_STATE/prefix}
      # One locale for the prefix and every program in it; UTF-8 so that Wine
      # turns Chinese command-line arguments into UTF-16 intact.
      export LANG=C.UTF-8
      unset LC_ALL
      if [[ $fresh == 1 ]]; then
        # Whatever an earlier run left (cut short, say) goes first.
        if [[ -f $WINE_ENV_STATE/env ]]; then
          (wine_env_load_state && wine_env_cleanup) || true
        fi
        rm -f "$prefix/.e2e-ready"
      fi
      wine_env_start_display || return 1
      wine_env_make_prefix "$prefix" || { wine_env_cleanup; return 1; }
      wine_env_write_state
      ;;
    down)
      [[ ${#positional[@]} -ge 1 ]] || { wine_env__say "usage: wine-env.sh down STATE_DIR [--remove-prefix]"; return 2; }
      export WINE_ENV_STATE=${positional[0]}
      wine_env_load_state 2>/dev/null || true
      wine_env_cleanup
      # Only a prefix that wine_env_make_prefix finished is ever deleted.
      if [[ $remove == 1 && -n ${WINEPREFIX:-} && -f $WINEPREFIX/.e2e-ready ]]; then
        rm -rf "$WINEPREFIX"
      fi
      rm -f "$WINE_ENV_STATE/env"
      ;;
    screenshot)
      [[ ${#positional[@]} -ge 1 ]] || { wine_env__say "usage: wine-env.sh screenshot FILE.png [STATE_DIR]"; return 2; }
      if [[ ${#positional[@]} -ge 2 ]]; then
        export WINE_ENV_STATE=${positional[1]}
        wine_env_load_state || { wine_env__say "no environment in $WINE_ENV_STATE (run up first)"; return 1; }
      fi
      wine_env_screenshot "${positional[0]}"
      ;;
    *)
      wine_env__say "usage: wine-env.sh up STATE_DIR [PREFIX_DIR] [--fresh] | down STATE_DIR [--remove-prefix] | screenshot FILE.png [STATE_DIR]"
      return 2
      ;;
  esac
}

if [[ ${BASH_SOURCE[0]} == "$0" ]]; then
  set -u
  wine_env__main "$@"
  exit $?
fi
