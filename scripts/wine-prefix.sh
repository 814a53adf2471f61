# Sourced by the scripts that run the Windows programs: wine_prefix_start makes a throw-away Wine prefix with one
# wineserver kept running, so each start is quick; wine_prefix_remove (for the caller's EXIT trap) removes it.
# Wine takes its ANSI code page from the locale: the tests run under an English one (code page 1252) and a Russian
# one (1251).

wine_prefix_start() {
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    local locale
    for locale in en_US ru_RU; do
        locale -a | grep -qi "^$locale\.utf-\?8$" || "${sudo[@]}" localedef -i "$locale" -f UTF-8 "$locale.UTF-8"
    done
    export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    WINEPREFIX=$(mktemp -d /tmp/kelvara-wine.XXXXXX)
    # Wine keeps its server's socket in /tmp/wine-*/server-DEVICE-INODE of the prefix: remove just that one.
    wineServerDir=$(printf 'server-%x-%x' $(stat -c '%d %i' "$WINEPREFIX"))
    wineserver -p  # before wineboot, which would start a short-lived server of its own
    wineboot -i >/dev/null 2>&1
}

wine_prefix_remove() {
    [ -n "${WINEPREFIX:-}" ] || return 0
    wineserver -k 2>/dev/null || true
    rm -rf "$WINEPREFIX" /tmp/wine-*/"$wineServerDir"
    rmdir /tmp/wine-* 2>/dev/null || true  # only those left empty
}

# A wineserver started without a display cannot make windows later on: the window test starts its own.
wine_server_stop() {
    wineserver -k
    wineserver -w
}
