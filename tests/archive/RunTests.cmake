# Suites are added here.
