// keeps the target non-empty until its first source lands
