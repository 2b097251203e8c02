# Sourced, not run: start_virtual_display DIR starts an X server of its own, with no screen and no
# network, exports its DISPLAY and sets xvfb to its process id for the caller to end it.
start_virtual_display() {
  # Xvfb writes the display number it found free.
  Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$1/display" 2>/dev/null &
  xvfb=$!
  for _ in $(seq 1 100); do
    [ -s "$1/display" ] && break
    sleep 0.1
  done
  DISPLAY=":$(cat "$1/display")"
  export DISPLAY
}
