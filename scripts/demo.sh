#!/usr/bin/env bash
# The demo: builds everything, starts devserver on loopback with a demo
# client folder and runs launcher.exe under Wine. The client is one version
# behind, so the launcher patches it first. Without a display the demo runs
# on Xvfb, waits for the patch, saves a screenshot and says where.
#
#   DEMO_DIR   where the client, server and Wine prefix go (default /tmp/launcher-demo)
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD
demo=${DEMO_DIR:-/tmp/launcher-demo}

bash scripts/install-deps.sh
cmake --preset native >/dev/null
cmake --build --preset native -j2 --target devserver zgtool
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j2

# ---------------------------------------------------------------- the folders
rm -rf "$demo/client" "$demo/server"
mkdir -p "$demo/client" "$demo/server"
cp build/win32/bin/launcher.exe "$demo/client/"
if [[ -f build/win32/bin/online.exe ]]; then cp build/win32/bin/online.exe "$demo/client/"; fi
build/native/bin/zgtool init "$demo/client/zg.ini" --name "星辰传说 · 怀旧一区" --version 1.0.2
printf '1.0.3' >"$demo/server/bb.txt"
printf '<html><body>新版本 1.0.3 已开放</body></html>' >"$demo/server/gg.txt"
# The patch: a few files in nested folders, one of them with a Chinese name.
python3 - "$demo/server/up.zip" "$repo/build/win32/bin/online.exe" <<'PY'
import os, sys, zipfile
with zipfile.ZipFile(sys.argv[1], "w", zipfile.ZIP_DEFLATED) as z:
    z.writestr("更新说明.txt", "1.0.3: 新地图与平衡调整\r\n".encode("gbk"))  # a UTF-8 flagged name
    z.writestr("data/maps/town.map", os.urandom(300000))
    z.writestr("data/items.dat", b"item\r\n" * 200000)
    if os.path.exists(sys.argv[2]):
        z.write(sys.argv[2], "online.exe")
PY

# ---------------------------------------------------------------- the server
build/native/bin/devserver --root "$demo/server" --update-port 8089 --page-port 80 --account-port 52001 \
  --database "$demo/server/accounts.db" >"$demo/devserver.log" 2>&1 &
server=$!
state=$demo/wine
cleanup() {
  kill "$server" 2>/dev/null || true
  [[ -n ${launcher:-} ]] && kill "$launcher" 2>/dev/null || true
  scripts/wine-env.sh down "$state" >/dev/null 2>&1 || true
}
trap cleanup EXIT

# ---------------------------------------------------------------- Wine
had_display=${DISPLAY:-}
scripts/wine-env.sh up "$state"
set -a
# shellcheck disable=SC1091
source "$state/env"
set +a
export LANG=C.UTF-8
echo "devserver: update host http://127.0.0.1:8089/, account gateway 127.0.0.1:52001 (log: $demo/devserver.log)"
echo "client folder: $demo/client"
(cd "$demo/client" && exec wine launcher.exe) >"$demo/launcher.log" 2>&1 &
launcher=$!

driver() {  # Wine programs may leave helpers holding pipes: read their output from a file
  wine "$repo/build/win32/bin/e2e-driver.exe" "$@" >"$demo/driver.out" 2>&1 || return 1
}

if [[ -n $had_display ]]; then
  echo "launcher.exe is running on $DISPLAY; close it to end the demo."
  wait "$launcher" || true
else
  driver wait-window --class LauncherForm.MainWindow --timeout 30000
  echo "patching the client (1.0.2 -> 1.0.3) ..."
  if driver enabled 进入游戏 --until true --timeout 90000; then echo "patch applied: 进入游戏 is enabled"; fi
  sleep 1
  scripts/wine-env.sh screenshot "$demo/launcher.png" "$state"
  echo "screenshot: $demo/launcher.png"
fi
