import json
import os
import pathlib
import subprocess
import sys

import pytest

from quince_tarragon import (
    ConfigFileNotFoundError,
    ConfigMissingError,
    ConfigSyntaxError,
    ConfigTree,
    ConfigTypeError,
    parse_file,
    parse_string,
)

DOC = """
db { host = localhost, port = 5432, ratio = 0.5, on = true, tags = [a, b] }
db.pool { size = 8 }
name = svc
"""


@pytest.fixture
def conf():
    return parse_string(DOC)


@pytest.fixture
def project(tmp_path):
    (tmp_path / "conf").mkdir()
    (tmp_path / "conf" / "app.conf").write_text('include "db.conf"\nport = ${db.port}\n')
    (tmp_path / "conf" / "db.conf").write_text("db.port = 5432\n")
    (tmp_path / "latin1.conf").write_bytes(b"a = \xe9\n")
    return tmp_path


def test_tree_is_a_plain_dict(conf):
    assert isinstance(conf, dict) and isinstance(conf, ConfigTree)
    assert json.loads(json.dumps(conf)) == conf
    plain = conf.as_dict()
    assert type(plain) is dict and type(plain["db"]) is dict and plain == conf
    plain["db"]["port"] = 1
    assert conf["db"]["port"] == 5432  # as_dict copies


@pytest.mark.parametrize("getter, path, expected", [
    ("get", "db.pool.size", 8),
    ("get", "db", {"host": "localhost", "port": 5432, "ratio": 0.5, "on": True,
                   "tags": ["a", "b"], "pool": {"size": 8}}),
    ("get_string", "db.host", "localhost"),
    ("get_int", "db.port", 5432),
    ("get_float", "db.ratio", 0.5),
    ("get_float", "db.port", 5432.0),
    ("get_bool", "db.on", True),
    ("get_list", "db.tags", ["a", "b"]),
    ("get_config", "db.pool", {"size": 8}),
])
def test_getters(conf, getter, path, expected):
    value = getattr(conf, getter)(path)
    assert value == expected
    # every object of a parsed document is a ConfigTree
    assert type(value) is (ConfigTree if isinstance(expected, dict) else type(expected))


TYPED = ["get_string", "get_int", "get_float", "get_bool", "get_list", "get_config"]


@pytest.mark.parametrize("getter", TYPED)
@pytest.mark.parametrize("path", ["nope", "db.nope", "db.port.deeper", "db.tags.0"])
def test_missing_paths(conf, getter, path):
    assert getattr(conf, getter)(path, None) is None
    with pytest.raises(ConfigMissingError) as info:
        getattr(conf, getter)(path)
    assert isinstance(info.value, KeyError) and path in str(info.value)
    assert conf.get(path) is None and conf.get(path, 7) == 7 and not conf.has_path(path)


@pytest.mark.parametrize("getter", ["get", "has_path", *TYPED])
@pytest.mark.parametrize("path", ["db..port", "", "db.", "a b.${x}"])
def test_malformed_paths(conf, getter, path):
    with pytest.raises(ConfigSyntaxError, match="invalid path"):
        getattr(conf, getter)(path, *([None] if getter != "has_path" else []))


@pytest.mark.parametrize("getter, path, expected, found", [
    ("get_int", "db.on", "integer", "boolean"),  # bool is not an int here
    ("get_float", "db.on", "number", "boolean"),
    ("get_int", "db.ratio", "integer", "number"),
    ("get_string", "db.tags", "string", "list"),
    ("get_bool", "name", "boolean", "string"),
    ("get_list", "db", "list", "object"),
    ("get_config", "db.tags", "object", "list"),
])
def test_type_errors(conf, getter, path, expected, found):
    with pytest.raises(ConfigTypeError) as info:
        getattr(conf, getter)(path, "default is for missing paths only")
    err = info.value
    assert isinstance(err, TypeError)
    assert (err.path, err.expected, err.found) == (path, expected, found)
    assert path in str(err) and expected in str(err) and found in str(err)


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


def cli(*args, stdin=""):
    return subprocess.run([sys.executable, "-m", "quince_tarragon", *args], input=stdin,
                          capture_output=True, text=True)


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
])
def test_cli_errors(args, stdin, line):
    r = cli(*args, stdin=stdin)
    assert r.returncode == 1 and r.stdout == ""
    assert r.stderr.count("\n") == 1 and "Traceback" not in r.stderr
    assert r.stderr.startswith("error: ")
    if line:
        assert r.stderr == line + "\n"


def test_cli_help():
    r = cli("--help")
    assert r.returncode == 0 and "--indent" in r.stdout and "--base" in r.stdout


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


def test_parse_file_reads_only_regular_files(tmp_path):
    fifo = tmp_path / "fifo"
    os.mkfifo(fifo)
    for path in ("/dev/zero", fifo, tmp_path):  # would never end, would block, a directory
        with pytest.raises(OSError):
            parse_file(path)


@pytest.mark.parametrize("text", ["a = p\rq\n", "e = 1\r\nf = [1,\r\n2]\r\n"])
def test_parse_file_reads_as_includes_do(tmp_path, text):
    (tmp_path / "x.conf").write_bytes(text.encode())
    assert parse_file(tmp_path / "x.conf") == parse_string('include "x.conf"', tmp_path)


def test_getters_refuse_bad_paths_and_values(conf):
    with pytest.raises(TypeError, match="path"):
        conf.get(1)
    with pytest.raises(ConfigTypeError):
        parse_string("big = " + "9" * 400).get_float("big")


@pytest.mark.parametrize("stdin, check", [
    ("a = 1e400", None),                                         # no JSON for infinity
    ("a = " + "[" * 1000 + "]" * 1000, lambda v: v["a"] != []),  # deep, but all of it
    ('a = "\\u00e9 ß"', lambda v: "ß" in v["a"]),                # whatever the output encoding
])
def test_cli_output_is_json_or_one_error_line(stdin, check):
    r = subprocess.run([sys.executable, "-m", "quince_tarragon"], input=stdin.encode(),
                       capture_output=True, env=dict(os.environ, PYTHONIOENCODING="ascii"))
    if check is None:
        assert (r.returncode, r.stdout) == (1, b"")
        assert r.stderr.count(b"\n") == 1 and r.stderr.startswith(b"error: ")
    else:
        assert (r.returncode, r.stderr) == (0, b"")
        assert check(json.loads(r.stdout.decode()))


@pytest.mark.parametrize("redirect", [">/dev/full", ">&-"])
def test_cli_unwritable_output_is_one_error_line(redirect):
    cmd = f"{sys.executable} -m quince_tarragon {redirect}"
    r = subprocess.run(cmd, shell=True, input="a = [1, 2]", stderr=subprocess.PIPE, text=True)
    assert r.returncode == 1
    assert r.stderr.count("\n") == 1 and r.stderr.startswith("error: ")
