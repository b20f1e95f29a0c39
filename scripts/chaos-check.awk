# The token check of scripts/chaos.sh: reads the chaos host's log (tests/chaos/ChaosHost.cpp says what
# its lines mean) and the screen texts it wrote, and prints one summary line and a line per fault.
#   awk -v intended=FILE -f chaos-check.awk LOG        (exit code 1 on any fault)
# FILE lists the tokens the script typed, one a line.
#
# A token is a line's "tok-<a>-<b>." (echoed by `echo`). It is accepted when its line was sent (T) and
# not refused (R). At risk are the accepted tokens that a restart could have discarded: those accepted
# before a restart began (K) and not yet on the screen (S) at that moment. Every accepted token must
# reach the screen exactly once and in the order typed; a token at risk may be missing instead. (A stop
# that restarts nothing only ends the programs: the interpreter then reads the lines queued behind them,
# so those are not at risk. Lines sent once a restart has begun go to the fresh interpreter.)
#
# The screens: each dump k holds the scrollback's rows at its moment. Expected in dump k are the
# accepted tokens typed before it, in order: those seen (S) before it, and in the last dump all but the
# tokens at risk that never arrived, must be there; the others may be. The dump's tokens are matched
# against that list from the newest end back. A dump whose first row is not the banner's had older rows
# pushed out by the scrollback's bounds: the tokens before its oldest match cannot be told there.
function well_formed(t) { return t ~ /^tok-[0-9]+-[0-9]+\.$/ }

# The tokens of `s` in order into tokens_out[1..n]; returns n. A "tok-" that does not begin a well-formed
# token is taken as it is up to the next '.' (or the end), so it shows up as garbled.
function tokens_of(s, tokens_out,    n, at, at2, rest, piece) {
  n = 0
  while ((at = index(s, "tok-")) > 0) {
    rest = substr(s, at)
    if (match(rest, /^tok-[0-9]+-[0-9]+\./)) {
      piece = substr(rest, 1, RLENGTH)
    } else if ((at2 = index(rest, ".")) > 0) {
      piece = substr(rest, 1, at2)
    } else {
      piece = rest
    }
    tokens_out[++n] = piece
    s = substr(rest, 5)
  }
  return n
}

function fault(kind, text) {
  faults[kind]++
  nfault++
  print "chaos-check: " kind ": " text
}

BEGIN { ev = 0 }

{
  ev++
  if ($1 == "T") {
    line = $0
    sub(/^T [0-9]+ /, "", line)
    n = tokens_of(line, found)
    for (i = 1; i <= n; i++) {
      t = found[i]
      if (!well_formed(t)) continue  # typed garbled: the intended list shows it
      if (t in typed_at) { fault("typed twice", t); continue }
      ntyped++
      typed[ntyped] = t
      typed_at[t] = ev
      typed_idx[t] = ntyped
      line_of[t] = $2
      entered[t] = 1
    }
    for (i = 1; i <= n; i++) if (well_formed(found[i])) last_line_tokens[$2] = last_line_tokens[$2] " " found[i]
  } else if ($1 == "R") {
    split(last_line_tokens[$2], r, " ")
    for (i in r) if (r[i] != "") refused[r[i]] = 1
  } else if ($1 == "S") {
    t = $2
    if (!well_formed(t)) { fault("garbled on the stream", t); next }
    seen_count[t]++
    if (seen_count[t] == 1) { seen_at[t] = ev; nseen++; seen_seq[nseen] = t }
  } else if ($1 == "K") {
    restarts++
    for (i = 1; i <= ntyped; i++) {
      t = typed[i]
      if (!(t in refused) && !(t in seen_at)) at_risk[t] = 1
    }
  } else if ($1 == "D") {
    ndumps++
    dump_at[ndumps] = ev
    dump_whole[ndumps] = ($0 ~ / from_banner=1/) ? 1 : 0
    dump_complete[ndumps] = ($0 ~ / complete=1/) ? 1 : 0
    dump_last[ndumps] = ($0 ~ / last=1/) ? 1 : 0
  }
}

END {
  log_path = FILENAME
  while (intended != "" && (getline t < intended) > 0) {
    nintended++
    if (!(t in entered)) fault("typed but never entered", t)
  }

  # The stream: each accepted token once, in the order typed.
  last_idx = 0
  for (i = 1; i <= nseen; i++) {
    t = seen_seq[i]
    if (!(t in typed_at)) { fault("on the stream, never typed", t); continue }
    if (t in refused) fault("refused, yet it ran", t)
    if (seen_count[t] > 1) fault("twice on the stream", t " (" seen_count[t] " times)")
    if (typed_idx[t] < last_idx && !(t in at_risk)) fault("out of order on the stream", t)
    if (typed_idx[t] > last_idx) last_idx = typed_idx[t]
  }

  if (!dump_last[ndumps]) fault("no screen text from the window's end", "the window never reached WM_DESTROY")
  for (k = 1; k <= ndumps; k++) {
    final = dump_last[k]
    if (!dump_complete[k]) fault("screen text incomplete", "dump " k)
    # Expected: accepted tokens typed before the dump.
    nx = 0
    split("", xi)
    for (i = 1; i <= ntyped; i++) {
      t = typed[i]
      if (t in refused || typed_at[t] > dump_at[k]) continue
      nx++
      x[nx] = t
      xi[t] = nx
      seen_before = (t in seen_at) && seen_at[t] < dump_at[k]
      must[nx] = final ? ((t in seen_at) || !(t in at_risk)) : seen_before
    }
    # Observed, oldest first.
    no = 0
    file = log_path ".screen" k
    while ((getline row < file) > 0) {
      n = tokens_of(row, found)
      for (i = 1; i <= n; i++) {
        if (!well_formed(found[i])) { fault("garbled on the screen", found[i] " (dump " k ")"); continue }
        o[++no] = found[i]
      }
    }
    close(file)
    # Newest first: the newest rows are in every dump.
    i = no
    j = nx
    while (i >= 1) {
      t = o[i]
      if (j >= 1 && x[j] == t) {
        matched[t]++
        i--
        j--
      } else if (!(t in xi) || xi[t] >= j) {
        if (!(t in typed_at)) fault("on the screen, never typed", t " (dump " k ")")
        else if (t in refused) fault("refused, yet on the screen", t " (dump " k ")")
        else fault("again or out of order on the screen", t " (dump " k ")")
        i--
      } else if (!must[j]) {
        j--
      } else {
        missing[x[j]] = 1
        j--
      }
    }
    for (; j >= 1; j--) {
      if (dump_whole[k]) {
        if (must[j]) missing[x[j]] = 1
      } else if (must[j]) {
        head[x[j]] = 1
      }
    }
  }

  accepted = 0
  for (i = 1; i <= ntyped; i++) {
    t = typed[i]
    if (t in refused) { nrefused++; continue }
    accepted++
    if (t in at_risk) {
      risk++
      if (t in matched) risk_arrived++
      else if (!(t in missing) && !(t in head)) risk_lost++
    }
    if (t in missing) {
      if (!(t in at_risk)) lost++
      fault("missing from the screen", t " (line " line_of[t] (t in at_risk ? ", at risk but seen on the stream" : "") ")")
    }
    else if (t in matched) ok++
    else if (t in head) fault("unverified: pushed out of the scrollback", t)
  }
  printf "chaos-check: tokens typed %d, accepted %d, refused %d, on the screen once and in order %d; " \
         "at risk from %d restart(s) %d (arrived %d, discarded %d); faults %d\n",
         nintended, accepted, nrefused + 0, ok + 0, restarts + 0, risk + 0, risk_arrived + 0, risk_lost + 0, nfault + 0
  # For the run's totals: lost counts the accepted tokens missing outside the risk.
  printf "chaos-figures accepted=%d ok=%d risk=%d risk_arrived=%d risk_lost=%d lost=%d faults=%d\n",
         accepted, ok + 0, risk + 0, risk_arrived + 0, risk_lost + 0, lost + 0, nfault + 0
  exit (nfault > 0 ? 1 : 0)
}
