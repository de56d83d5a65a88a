#!/usr/bin/env bash
# The signal check passes on this tree and on a small tree whose signals are
# emitted (or forwarded) and connected, and names every signal that is not.
set -euo pipefail
check="$1"
project="$2"
python3 "$check" "$project" >/dev/null

tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
mkdir -p "$tree/ui" "$tree/src/data" "$tree/tests/ui"
cat > "$tree/ui/Panel.h" <<'CODE'
class Panel : public QWidget {
    Q_OBJECT
public:
    void press() { Q_EMIT pressed(); }
Q_SIGNALS:
    void pressed();
    void forwarded(int value);
private:
    int x_ = 0;
};
CODE
cat > "$tree/ui/Panel.cpp" <<'CODE'
connect(button, &QPushButton::clicked, this, &Panel::forwarded);
connect(panel, &Panel::pressed, this, [] {});
CODE
printf 'QSignalSpy spy(&panel, &Panel::forwarded);\n' > "$tree/tests/ui/panel_test.cpp"
python3 "$check" "$tree" >/dev/null

cat > "$tree/src/data/Model.h" <<'CODE'
class Model : public QObject {
    Q_OBJECT
public:
    void change() { emit changed(); }
signals:
    void changed();
    void neverUsed(const QString& text);
};
CODE
printf 'connect(panel, &Panel::forwarded, this, [] {});\n' >> "$tree/ui/Panel.cpp"
if output=$(python3 "$check" "$tree" 2>&1); then
    echo "a dead signal passed the check"; exit 1
fi
for expected in 'src/data/Model.h: Model::changed (never connected)' \
                'src/data/Model.h: Model::neverUsed (never connected, never emitted)' \
                'signal check: 2 dead signal(s)'; do
    grep -qxF "$expected" <<<"$output" || { echo "missing: $expected"; echo "$output"; exit 1; }
done
