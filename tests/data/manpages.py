#!/usr/bin/env python3
"""The manual pages and the bash completion against the programs' own --help texts.

    manpages.py BIN_DIR SOURCE_DIR

Every command of `discwright-cli --help` (with the actions of tag and wav) must have a section
of its own in discwright-cli(1) that names each of its long options, and the completion must
offer the same options; every option of `discwright --help` must be in discwright(1). The
version on both pages is the programs' version."""

import re
import subprocess
import sys
from pathlib import Path

BIN, SOURCE = Path(sys.argv[1]), Path(sys.argv[2])
failures = []


def fail(text):
    failures.append(text)


def run(*args):
    result = subprocess.run([str(a) for a in args], capture_output=True, text=True, timeout=60)
    return result.stdout + result.stderr


def plain_roff(text):
    """The page's text with font changes and escapes taken out: '\\fB\\-\\-image\\fR' -> '--image'."""
    text = re.sub(r"\\f[BIRP]", "", text)
    return text.replace("\\-", "-").replace("\\(->", "->")


def long_options(help_text):
    """The long options of a --help text's Options part (--help itself left out)."""
    options = set(re.findall(r"^\s+(?:-\w, )?(--[\w-]+)", help_text, re.M))
    return options - {"--help"}


def sections(page):
    """Command sections of a page: the command named by a .SS heading -> the section's text. A
    heading starts with the command's words ("encode mp3 IN.wav OUT.mp3" -> "encode mp3")."""
    found = {}
    parts = re.split(r"^\.SS (.*)$", page, flags=re.M)
    for heading, body in zip(parts[1::2], parts[2::2]):
        words = heading.strip('"').split()
        second = words[1] if len(words) > 1 else ""
        command = words[:2] if re.fullmatch(r"[a-z][a-z0-9]*", second) else words[:1]
        found[" ".join(command)] = body
    return found


# --- discwright-cli(1) and the completion ------------------------------------------------------
cli = BIN / "discwright-cli"
top = run(cli, "--help")
commands = re.findall(r"^  (\w+(?: \w+)?)\s{2,}", top.split("Commands", 1)[1], re.M)
if len(commands) < 10:
    fail(f"too few commands in discwright-cli --help: {commands}")
expanded = []
for command in commands:
    usage = run(cli, command, "--help")
    actions = re.search(rf"discwright-cli {command} (\w+(?:\|\w+)+)", usage) or re.search(
        rf"discwright-cli {command} (\w+) FILE \| {command} (\w+)", usage)
    if actions and "Options:" not in usage:
        names = actions.group(1).split("|") if "|" in actions.group(1) else list(actions.groups())
        expanded += [f"{command} {a}" for a in names]
    else:
        expanded.append(command)

page = plain_roff((SOURCE / "data/man/discwright-cli.1").read_text())
page_sections = sections(page)
completion = (SOURCE / "data/bash-completion/discwright-cli").read_text()
completion_lists = dict(re.findall(r'^\s+([^)\n]*?)\) echo "([^"]*)" ;;', completion, re.M))

for command in expanded:
    help_text = run(cli, *command.split(), "--help")
    options = long_options(help_text.split("Arguments:", 1)[0])
    body = page_sections.get(command)
    if body is None:
        fail(f"discwright-cli(1) has no section for '{command}'")
    else:
        for option in sorted(options):
            if not re.search(rf"{re.escape(option)}\b", body):
                fail(f"discwright-cli(1), section '{command}': {option} is not described")
    offered = None
    for names, listed in completion_lists.items():
        if command in [n.strip().strip('"') for n in names.split("|")]:
            offered = set(listed.split())
    if offered is None:
        fail(f"the bash completion has no option list for '{command}'")
    elif offered != options:
        fail(f"the bash completion offers {sorted(offered)} for '{command}', --help has {sorted(options)}")

for option in long_options(top.split("Commands", 1)[0]) | {"--version"}:
    if not re.search(rf"^\.TP\n.*{re.escape(option)}\b", page.split(".SH COMMANDS")[0], re.M):
        fail(f"discwright-cli(1): the global option {option} is not described")
    if option not in completion:
        fail(f"the bash completion does not offer the global option {option}")

# --- discwright(1) -------------------------------------------------------------------------------
gui_help = run(BIN / "discwright", "--help")
gui_page = plain_roff((SOURCE / "data/man/discwright.1").read_text())
options_part = gui_page.split(".SH OPTIONS", 1)[1].split(".SH ", 1)[0]
for option in sorted(set(re.findall(r"^\s+(--[\w-]+)", gui_help, re.M))):
    if option not in options_part:
        fail(f"discwright(1): {option} is not described")

# --- versions --------------------------------------------------------------------------------------
version = run(cli, "--version").split()[-1]
for name, text in (("discwright-cli.1", page), ("discwright.1", gui_page)):
    if f'"Discwright {version}"' not in text.split("\n.SH", 1)[0]:
        fail(f"{name}: the .TH line does not name version {version}")

for line in failures:
    print(line)
print(f"{len(expanded)} commands checked, {len(failures)} failures")
sys.exit(1 if failures else 0)
