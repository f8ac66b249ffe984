#!/usr/bin/python3
"""The printer's page in Debian's headless Chromium: a job printed over TCP appears in the page's
live receipt and then in its list, and a toggle clicked in the page changes the condition a TCP
client reads with DLE EOT; of a flood of receipts the list keeps the newest 100, and the older
ones come when asked for.

Usage: page_test.py PRINTER_EMULATOR [--screenshot FILE.png]
(--screenshot also saves the page, and the receipt beside it as FILE-receipt.png, for the README)
Exits 77 (skipped) with the reason when Chromium or its driver is missing."""

import os
import re
import socket
import subprocess
import sys
import tempfile
import time
import urllib.request

SKIP = 77
CHROMIUM = "/usr/bin/chromium"
DRIVER = "/usr/bin/chromedriver"


def skip(reason):
    print(f"SKIP: {reason}")
    sys.exit(SKIP)


try:
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.by import By
    from selenium.webdriver.support.ui import WebDriverWait
except ImportError:
    skip("python3-selenium is not installed (scripts/install-deps.sh installs it)")
for path, package in ((CHROMIUM, "chromium"), (DRIVER, "chromium-driver")):
    if not os.access(path, os.X_OK):
        skip(f"{path} is missing: install {package} (scripts/install-deps.sh does)")


def start_printer(program, folder):
    printer = subprocess.Popen(
        [program, "--model", "escpos80", "--listen", "127.0.0.1:0", "--http", "127.0.0.1:0",
         "--out", os.path.join(folder, "out"), "--state", os.path.join(folder, "state")],
        stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
    ports = {}
    while "http" not in ports or "listening" not in ports:
        line = printer.stdout.readline()
        if not line:
            sys.exit(f"printer-emulator ended before serving (exit {printer.wait()})")
        key, _, value = line.strip().partition(": ")
        ports[key] = value
    tcp = int(ports["listening"].rsplit(":", 1)[1])
    return printer, tcp, ports["http"]


def send(port, data, reply=0):
    with socket.create_connection(("127.0.0.1", port), timeout=10) as connection:
        connection.sendall(data)
        got = b""
        while len(got) < reply:
            more = connection.recv(reply - len(got))
            if not more:
                break
            got += more
        return got


def open_browser(width, height):
    options = webdriver.ChromeOptions()
    options.binary_location = CHROMIUM
    for argument in ("--headless=new", "--no-sandbox", "--disable-gpu",
                     "--disable-dev-shm-usage", f"--window-size={width},{height}"):
        options.add_argument(argument)
    return webdriver.Chrome(service=Service(DRIVER), options=options)


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    screenshot = sys.argv[sys.argv.index("--screenshot") + 1] if "--screenshot" in sys.argv else None
    with tempfile.TemporaryDirectory() as folder:
        printer, tcp, page = start_printer(sys.argv[1], folder)
        browser = None
        try:
            browser = open_browser(1280, 900)
            wait = WebDriverWait(browser, 15)
            browser.get(page)
            wait.until(lambda b: b.find_elements(By.CSS_SELECTOR, 'input[data-condition="paper-out"]'))

            # The receipt in progress: printed, not yet cut.
            title = "\x1b!\x30Corner Shop\x1b!\x00\n".encode()
            lines = b"".join(f"{item:<24}{price:>8}\n".encode() for item, price in
                             (("Coffee", "2.40"), ("Croissant", "1.90"), ("Orange juice", "3.10")))
            body = title + b"------------------------------------------------\n" + lines
            live_before = int(browser.find_element(By.ID, "live").get_attribute("data-version"))
            with socket.create_connection(("127.0.0.1", tcp), timeout=10) as job:
                job.sendall(body)
                wait.until(lambda b: b.execute_script(
                    "const live = document.getElementById('live');"
                    "return Number(live.dataset.version) > arguments[0] && live.naturalHeight > 100;",
                    live_before))
                job.sendall(b"\nTotal                      7.40\n\n\n\x1dV\x00")
            wait.until(lambda b: b.find_elements(By.CSS_SELECTOR, '#receipts li[data-number="1"]'))
            item = browser.find_element(By.CSS_SELECTOR, '#receipts li[data-number="1"]')
            meta = item.find_element(By.CLASS_NAME, "meta").text
            assert "TCP 127.0.0.1:" in meta, meta
            assert item.find_element(By.TAG_NAME, "img").get_attribute("naturalWidth") == "576", meta

            # The decoded commands of that receipt.
            item.find_element(By.XPATH, ".//button[text()='Show commands']").click()
            wait.until(lambda b: len(b.find_elements(By.CSS_SELECTOR, "#trace li")) > 3)

            # A toggle in the page, read back by a TCP client as DLE EOT 4 (paper sensor).
            assert send(tcp, b"\x10\x04\x04", 1) == b"\x12", "paper is out before the click"
            browser.find_element(By.CSS_SELECTOR, 'input[data-condition="paper-out"]').click()
            deadline = time.time() + 10
            status = b""
            while time.time() < deadline and status != b"\x72":
                status = send(tcp, b"\x10\x04\x04", 1)
            assert status == b"\x72", f"DLE EOT 4 after the click: {status.hex()}"
            if screenshot:
                browser.find_element(By.CSS_SELECTOR, 'input[data-condition="paper-out"]').click()
                wait.until(lambda b: send(tcp, b"\x10\x04\x04", 1) == b"\x12")
                browser.find_element(By.ID, "trace-close").click()
                shown = int(browser.find_element(By.ID, "live").get_attribute("data-version"))
                with socket.create_connection(("127.0.0.1", tcp), timeout=10) as next_job:
                    next_job.sendall(title + b"Tea                         1.80\n")
                    wait.until(lambda b: int(b.find_element(By.ID, "live").get_attribute(
                        "data-version")) > shown)
                    browser.execute_script("window.scrollTo(0, 0)")
                    browser.save_screenshot(screenshot)
                with urllib.request.urlopen(page + "api/receipts/1.png") as answer, \
                        open(screenshot.replace(".png", "-receipt.png"), "wb") as receipt:
                    receipt.write(answer.read())

            # A flood: the list keeps the newest 100; the rest come when asked for.
            if browser.find_element(By.CSS_SELECTOR, 'input[data-condition="paper-out"]').is_selected():
                browser.find_element(By.CSS_SELECTOR, 'input[data-condition="paper-out"]').click()
                wait.until(lambda b: send(tcp, b"\x10\x04\x04", 1) == b"\x12")
            send(tcp, b"flood\n\x1dV\x00" * 150)
            numbers = "return [...document.querySelectorAll('#receipts li')].map(i => +i.dataset.number)"
            wait.until(lambda b: b.execute_script(numbers)[:1] == [151])
            listed = browser.execute_script(numbers)
            assert listed == list(range(151, 51, -1)), f"{len(listed)} listed, {listed[-3:]} last"
            browser.find_element(By.ID, "older").click()
            wait.until(lambda b: len(b.execute_script(numbers)) == 151)
            assert browser.find_element(By.ID, "older").get_attribute("hidden") is not None
            print("the page follows the printer and sets its conditions")
        finally:
            if browser:
                browser.quit()
            printer.stdin.write("quit\n")
            printer.stdin.close()
            printer.wait(timeout=20)


main()
