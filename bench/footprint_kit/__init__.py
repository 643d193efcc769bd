"""Pieces of the Quorvane footprint benchmark (bench/footprint.py)."""
