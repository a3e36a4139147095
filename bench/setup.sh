# Shared by the benchmark scripts (sourced, not run, from bench/): where the
# tree, the command line and the work folder are, and a release build of the
# command line when the build folder has none.
# Environment: BUILD_DIR (default build/release, built with `scripts/build
# release` when it lacks flintmoor-cli), WORK_DIR (default a fresh temp dir,
# removed at the end; a given one is kept, and inputs already in it are
# reused).

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD_DIR=${BUILD_DIR:-$ROOT/build/release}
CLI=$BUILD_DIR/src/cli/flintmoor-cli
WORK=${WORK_DIR:-$(mktemp -d)}
KEEP=${WORK_DIR:+yes}
mkdir -p "$WORK"
if [ ! -x "$CLI" ]; then
    if [ "$BUILD_DIR" != "$ROOT/build/release" ]; then
        echo "no flintmoor-cli in $BUILD_DIR" >&2
        exit 2
    fi
    "$ROOT/scripts/build" release --target flintmoor-cli >/dev/null
fi
