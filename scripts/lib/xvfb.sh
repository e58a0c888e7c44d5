# Sourced by the scripts that need an X display. vq_start_xvfb starts a
# private Xvfb on a free display (Xvfb picks it and reports it through
# -displayfd), exports DISPLAY and sets VQ_XVFB_PID; vq_stop_xvfb ends it.
vq_start_xvfb() {
  local fdfile
  fdfile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fdfile" 2>/dev/null &
  VQ_XVFB_PID=$!
  for _ in $(seq 1 100); do [ -s "$fdfile" ] && break; sleep 0.1; done
  export DISPLAY=":$(head -n1 "$fdfile")"
  rm -f "$fdfile"
}

vq_stop_xvfb() {
  [ -n "${VQ_XVFB_PID:-}" ] && kill "$VQ_XVFB_PID" 2>/dev/null
  VQ_XVFB_PID=""
  return 0
}
