#!/usr/bin/env bash
# The layer check passes on this tree and on a small tree that keeps the
# order, and names the file, line and folder of every include against it
# and every use of the instrument protocol above instrument/, and every
# file of ui/ but main.cpp and the application's own that includes the
# application.
set -euo pipefail
check="$1"
project="$2"
bash "$check" "$project" >/dev/null

tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
mkdir -p "$tree/src/link" "$tree/src/session" "$tree/src/shell" "$tree/src/instrument" "$tree/src/config" \
    "$tree/sim/lib" "$tree/ui" "$tree/cli"
printf '#include "shell/Bits.h"\n#include "Local.h"\n' > "$tree/src/link/Ok.h"
printf '#include "link/Frame.h"\n' > "$tree/sim/lib/SimOk.cpp"
# The instrument's own folder composes requests; above it, comments and
# ordinary texts may name them.
printf '#include "link/Frame.h"\nconst char* Pause = "A050000";\n' > "$tree/src/instrument/Pause.cpp"
printf '// asks "J01" for the slots\nconst char* Colour = "#FF0000";\nconst char* Key = "F1";\n' > "$tree/ui/Ok.cpp"
# The application's own source and main.cpp include it.
printf '#include "TolviApplication.h"\n' > "$tree/ui/TolviApplication.cpp"
printf '#include "TolviApplication.h"\n' > "$tree/ui/main.cpp"
bash "$check" "$tree" >/dev/null

printf '#include <QString>\n#include "session/MainModel.h"\n' > "$tree/src/link/Up.cpp"
printf '#include "instrument/Clock.h"\n' > "$tree/sim/lib/SimUp.cpp"
mkdir -p "$tree/src/extra"
printf 'int x;\n' > "$tree/src/extra/Stray.cpp"
printf '#include "instrument/RetriedRead.h"\n' > "$tree/src/config/Retried.cpp"
printf '#include "link/Frame.h"\n' > "$tree/cli/Framed.cpp"
printf 'int x;\nauto r = send(link, "A05" + seconds); // pause\nbool ok = reply.startsWith("\x27J04");\n' > "$tree/ui/Request.cpp"
printf '#pragma once\n#include <QObject>\n#include "TolviApplication.h"\n' > "$tree/ui/PageActions.h"
printf '#include "ui/TolviApplication.h"\n' > "$tree/ui/PageBinding.cpp"
if output=$(bash "$check" "$tree" 2>&1); then
    echo "an upward include passed the check"; exit 1
fi
for expected in 'src/link/Up.cpp:2: #include "session/MainModel.h"  (may not include session/)' \
                'sim/lib/SimUp.cpp:1: #include "instrument/Clock.h"  (may not include instrument/)' \
                'src/extra/Stray.cpp: file outside the known layers' \
                'layer check: 3 include(s) against the layer order' \
                'src/config/Retried.cpp:1: #include "instrument/RetriedRead.h"  (the protocol is spoken in instrument/)' \
                'cli/Framed.cpp:1: #include "link/Frame.h"  (the protocol is spoken in instrument/)' \
                'ui/Request.cpp:2: "A05"  (requests are composed in instrument/)' \
                "ui/Request.cpp:3: \"'J04\"  (requests are composed in instrument/)" \
                'layer check: 4 use(s) of the protocol above instrument/' \
                'ui/PageActions.h:3: #include "TolviApplication.h"  (the application assembles ui/; pass the parts instead)' \
                'ui/PageBinding.cpp:1: #include "ui/TolviApplication.h"  (the application assembles ui/; pass the parts instead)' \
                'layer check: 2 include(s) of the application in ui/'; do
    grep -qxF "$expected" <<<"$output" || { echo "missing: $expected"; echo "$output"; exit 1; }
done

