"""What the command-line tool does with unusual but valid files, and with
the files it writes over."""

import os
import stat

import numpy as np
import pandas as pd
from conftest import same_bits

import tsfilters
from tsfilters.cli import main


def test_a_quoted_cell_longer_than_the_csv_modules_limit_is_read(tmp_path):
    # 131,072 characters is the csv module's default field limit; pandas
    # reads such a cell, and the slow re-read of a quoted file must too.
    note = "x" * 200_000
    rows = [f'2024-01-{day:02d},"{note if day == 4 else "ok"}",{60 + day}' for day in range(1, 29)]
    source = tmp_path / "notes.csv"
    source.write_text("date,note,close\n" + "\n".join(rows) + "\n")
    out = tmp_path / "out.csv"
    assert main(["apply", str(source), "--filter", "super_smoother", "--period", "5",
                 "-o", str(out)]) == 0
    back = pd.read_csv(out)
    assert back["note"][3] == note
    closes = np.arange(61, 89, dtype=np.float32)
    assert same_bits(back["close_super_smoother_5"].to_numpy(np.float32),
                     tsfilters.super_smoother(closes, period=5))


def test_an_existing_output_keeps_its_mode_and_a_new_one_follows_the_umask(tmp_path):
    source = tmp_path / "in.csv"
    source.write_text("date,close\n" + "".join(f"2024-02-{d:02d},{d}\n" for d in range(1, 29)))
    for output, extra in (("out.csv", []), ("chart.png", ["plot"])):
        target = tmp_path / output
        command = (["plot", str(source), "-o", str(target)] if extra
                   else ["apply", str(source), "--filter", "high_pass", "-o", str(target)])
        old = os.umask(0o022)
        try:
            assert main(command) == 0
            assert stat.S_IMODE(os.stat(target).st_mode) == 0o644
            os.chmod(target, 0o600)
            assert main(command) == 0
            assert stat.S_IMODE(os.stat(target).st_mode) == 0o600
        finally:
            os.umask(old)
