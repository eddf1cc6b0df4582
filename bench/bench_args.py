"""The command line the bench scripts share: BUILD_DIR [--NAME VALUE]..."""
import sys


def read_args(doc):
    """The arguments after the program; exits with the script's doc on --help
    (status 0) or without a build folder (status 2)."""
    args = sys.argv[1:]
    if not args or args[0] in ("-h", "--help"):
        print(doc)
        sys.exit(0 if args else 2)
    return args


def option(args, name, default, kind=float):
    """The value after --NAME, read as `kind`, or `default`."""
    return kind(args[args.index(name) + 1]) if name in args else default
