# Sourced by the benchmark scripts: installs the Debian packages named that
# are not installed yet (benchmark inputs and the tools compared against).
k4_ensure_packages() {
    local missing= package
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" ||
            missing="$missing $package"
    done
    if [ -n "$missing" ]; then
        echo "installing:$missing"
        apt-get update -qq
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing
    fi
}
