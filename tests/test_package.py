import json
import os
import pathlib
import subprocess
import sys

import pytest

from quince_tarragon import (ConfigFileNotFoundError, ConfigSyntaxError, ConfigTree, parse_file,
                             parse_string)

from conftest import cli


@pytest.fixture
def project(tmp_path):
    (tmp_path / "conf").mkdir()
    (tmp_path / "conf" / "app.conf").write_text('include "db.conf"\nport = ${db.port}\n')
    (tmp_path / "conf" / "db.conf").write_text("db.port = 5432\n")
    (tmp_path / "latin1.conf").write_bytes(b"a = \xe9\n")
    return tmp_path


def test_tree_is_a_plain_dict():
    conf = parse_string("db { host = localhost, port = 5432, tags = [a, b] }\ndb.pool { size = 8 }")
    assert isinstance(conf, dict) and isinstance(conf, ConfigTree)
    assert json.loads(json.dumps(conf)) == conf
    plain = conf.as_dict()
    assert type(plain) is dict and type(plain["db"]) is dict and plain == conf
    plain["db"]["port"] = 1
    assert conf["db"]["port"] == 5432  # as_dict copies


@pytest.mark.parametrize("as_path", [str, pathlib.Path])
def test_parse_file_and_base(project, as_path):
    assert parse_file(as_path(project / "conf" / "app.conf")) == {"db": {"port": 5432}, "port": 5432}
    text = 'include "conf/db.conf"'
    assert parse_string(text, as_path(project)) == {"db": {"port": 5432}}


def test_parse_file_errors(project):
    missing = str(project / "missing.conf")
    with pytest.raises(ConfigFileNotFoundError) as info:
        parse_file(missing)
    assert isinstance(info.value, FileNotFoundError) and info.value.origin == missing
    with pytest.raises(ConfigSyntaxError):
        parse_file(project / "latin1.conf")
    assert parse_file(project / "latin1.conf", encoding="latin-1") == {"a": "\xe9"}
    (project / "bad.conf").write_text("a = 1\nb = [1")
    with pytest.raises(ConfigSyntaxError) as info:
        parse_file(project / "bad.conf")
    assert (info.value.origin, info.value.line) == (str(project / "bad.conf"), 2)
    os.mkfifo(project / "fifo")
    for path in ("/dev/zero", project / "fifo", project):  # never ends, blocks, a directory
        with pytest.raises(OSError):
            parse_file(path)


def test_cli_prints_json(project):
    r = cli(str(project / "conf" / "app.conf"))
    assert (r.returncode, r.stderr) == (0, "")
    assert json.loads(r.stdout) == {"db": {"port": 5432}, "port": 5432}
    r = cli("-", "--base", str(project / "conf"), "--indent", "0", stdin='include "db.conf"')
    assert r.returncode == 0 and r.stdout == '{"db":{"port":5432}}\n'


@pytest.mark.parametrize("args, stdin, line", [
    (["-"], "a = [1", "error: ConfigSyntaxError: <string>:1:5: expected ']' to close the array "
                      "opened at this position"),
    ([], "a = ${nope}", "error: ConfigResolveError: <string>:1:5: could not resolve substitution "
                        "${nope}: no such path and no such environment variable"),
    ([], 'include required("x.conf")',
     "error: ConfigFileNotFoundError: <string>:1:1: required include not found: x.conf"),
    (["/nonexistent/app.conf"], "", None),
    ([], "a = 1e400", "error: ValueError: JSON has no number for inf"),
    (["--format", "properties"], 'a."b.c" = 1',
     "error: ValueError: a properties file has no way to write the key 'b.c' (under 'a'): it holds "
     "a dot"),
])
def test_cli_errors(args, stdin, line):
    r = cli(*args, stdin=stdin)
    assert r.returncode == 1 and r.stdout == ""
    assert r.stderr.count("\n") == 1 and "Traceback" not in r.stderr
    assert r.stderr.startswith("error: ")
    if line:
        assert r.stderr == line + "\n"


def test_package_type_checks():
    mypy = pytest.importorskip("mypy.api")
    here = pathlib.Path(__file__).resolve().parent
    package = here.parent / "python" / "quince_tarragon"
    user = here / "typing_user.py"  # what callers see: getters typed by their default
    out, err, status = mypy.run(["--strict", "--no-incremental", str(package), str(user)])
    assert status == 0, out + err
    r = subprocess.run([sys.executable, str(user)], capture_output=True, text=True)
    assert (r.returncode, r.stderr) == (0, "")


def test_cli_quiet_when_reader_leaves():
    big = "a = [" + ", ".join(f'"{i:08}"' for i in range(100_000)) + "]"
    proc = subprocess.Popen([sys.executable, "-m", "quince_tarragon"], stdin=subprocess.PIPE,
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    proc.stdin.write(big.encode())
    proc.stdin.close()
    proc.stdout.read(10)
    proc.stdout.close()  # like `| head`
    assert proc.wait(timeout=60) == 1
    assert proc.stderr.read() == b""


@pytest.mark.parametrize("text", ["a = p\rq\n", "e = 1\r\nf = [1,\r\n2]\r\n"])
def test_parse_file_reads_as_includes_do(tmp_path, text):
    (tmp_path / "x.conf").write_bytes(text.encode())
    assert parse_file(tmp_path / "x.conf") == parse_string('include "x.conf"', tmp_path)


@pytest.mark.parametrize("stdin, check", [
    ("a = " + "[" * 1000 + "]" * 1000, lambda v: v["a"] != []),  # deep, but all of it
    ('a = "\\u00e9 ß"', lambda v: "ß" in v["a"]),                # whatever the output encoding
])
def test_cli_output_is_json(stdin, check):
    r = subprocess.run([sys.executable, "-m", "quince_tarragon"], input=stdin.encode(),
                       capture_output=True, env=dict(os.environ, PYTHONIOENCODING="ascii"))
    assert (r.returncode, r.stderr) == (0, b"")
    assert check(json.loads(r.stdout.decode()))


@pytest.mark.parametrize("redirect", [">/dev/full", ">&-"])
def test_cli_unwritable_output_is_one_error_line(redirect):
    cmd = f"{sys.executable} -m quince_tarragon {redirect}"
    r = subprocess.run(cmd, shell=True, input="a = [1, 2]", stderr=subprocess.PIPE, text=True)
    assert r.returncode == 1
    assert r.stderr.count("\n") == 1 and r.stderr.startswith("error: ")
