import harness, time, subprocess, sys
def catches_term(pid):
    try:
        with open(f"/proc/{pid}/status") as f:
            for line in f:
                if line.startswith("SigCgt:"):
                    return bool(int(line.split()[1], 16) & (1 << 14))
    except OSError:
        return False
    return False
d = harness.open_desktop(panel=True)
try:
    page = harness.write_page(d, "<html><body>desk</body></html>")
    harness.write_vantile_settings(d, {"HomePage": page, "ShowTaskbar": False})
    t = time.time(); p = harness.start_vantile(d)
    while not catches_term(p.pid): time.sleep(0.0005)
    t1 = time.time(); d.wait_for_window(pid=p.pid); print("handler at", t1 - t, "window after", time.time() - t1); harness.stop_vantile(p)
    for extra in [0, 0, 0, 2, 5, 10, 20, 40]:
        p = harness.start_vantile(d)
        while not catches_term(p.pid): time.sleep(0.0005)
        time.sleep(extra / 1000)
        p.terminate()
        try:
            p.wait(5); print(extra, "exited", p.returncode)
        except subprocess.TimeoutExpired:
            print(extra, "HUNG"); p.kill(); p.wait()
finally:
    d.close()
