# Benchmarks are added here.
