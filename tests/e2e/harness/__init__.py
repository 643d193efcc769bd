"""Pieces of the end-to-end test harness for Quorvane.exe under Wine + Xvfb."""
