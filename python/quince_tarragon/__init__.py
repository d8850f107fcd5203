"""HOCON configuration text to plain Python dicts, with a native engine."""

from quince_tarragon._native import __backend__, parse

__all__ = ["parse", "__backend__"]
