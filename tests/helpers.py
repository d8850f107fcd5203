"""Shared by the test modules."""


def typed(v):
    # dict equality ignores order and 1 == 1.0 == True; compare types, reprs and key order
    if isinstance(v, dict):
        return ("dict", [(k, typed(x)) for k, x in v.items()])
    if isinstance(v, list):
        return ("list", [typed(x) for x in v])
    return (type(v).__name__, repr(v))
