#!/usr/bin/env bash
# Makes sure a CUPS server runs with a PDF queue, "Medora_PDF", as the default printer, so
# a journey can print on a real queue and read what it wrote.
set -euo pipefail
as_root=()
[[ $(id -u) -eq 0 ]] || as_root=(sudo -n)
# lpstat -r succeeds whether or not the scheduler runs; only its words tell.
scheduler_runs() { [[ $(lpstat -r 2>/dev/null) == "scheduler is running" ]]; }
if ! scheduler_runs; then
  "${as_root[@]}" cupsd
  for _ in $(seq 1 50); do scheduler_runs && break; sleep 0.2; done
fi
# pdftocairo turns the program's PDF into PostScript with fonts whose text survives the
# queue's conversion back to PDF, so the written file can be read with pdftotext.
if ! lpstat -p Medora_PDF >/dev/null 2>&1; then
  "${as_root[@]}" lpadmin -p Medora_PDF -E -v cups-pdf:/ \
    -P /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd -o pdftops-renderer-default=pdftocairo 2>/dev/null
fi
"${as_root[@]}" lpadmin -d Medora_PDF
lpstat -d
