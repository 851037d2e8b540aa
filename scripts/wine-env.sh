# Sourced by the run and test scripts: the Wine prefix inside build/, made
# once, quietly (no Mono or Gecko prompts), and a persistent wineserver.
wine_prefix_ready() {
    export WINEPREFIX="$1"
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe="
    unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY all_proxy ALL_PROXY no_proxy NO_PROXY
    if [ ! -f "$WINEPREFIX/.binderwell-ready" ]; then
        echo "Creating the Wine prefix in $WINEPREFIX"
        rm -rf "$WINEPREFIX"
        WINEARCH=win64 wineboot --init >/dev/null 2>&1
        wineserver --wait
        touch "$WINEPREFIX/.binderwell-ready"
    fi
}
