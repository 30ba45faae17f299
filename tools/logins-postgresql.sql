-- The people who use the records each sign in with a login of their own, a member of one of
-- Medora's groups: medora_admin, medora_clinician or medora_reception. An administrator looks
-- after the logins through these functions, which run with the rights of whoever ran
-- medora-admin init (a superuser, or a login that may create roles), so that the
-- administrators' own logins need no right to create or change roles. They work only on the
-- logins in Medora's groups: never on the records' owner, a superuser, a group or any other
-- role. Passwords reach them only as SCRAM verifiers, which the desk makes from the password
-- typed; the server never sees the password itself. Every statement here can run again:
-- medora-admin runs them when it sets up records and when it upgrades them.

-- The logins whose password an administrator set, which must be changed at the next sign-in.
-- Only these functions write it.
CREATE TABLE IF NOT EXISTS medora_password_change (
    login text PRIMARY KEY
);

-- Each login in Medora's groups with the group that gives its role (the highest, should it
-- be in several), its full name (the role's comment), whether it may sign in and whether it
-- must change its password.
CREATE OR REPLACE FUNCTION medora_users()
RETURNS TABLE (login text, full_name text, grp text, enabled boolean, must_change boolean)
LANGUAGE sql STABLE AS $$
    SELECT r.rolname::text, coalesce(shobj_description(r.oid, 'pg_authid'), ''), g.grp,
           r.rolcanlogin,
           EXISTS (SELECT FROM medora_password_change c WHERE c.login = r.rolname::text)
    FROM pg_roles r
    CROSS JOIN LATERAL (
        SELECT gr.rolname::text AS grp
        FROM pg_auth_members m JOIN pg_roles gr ON gr.oid = m.roleid
        WHERE m.member = r.oid
          AND gr.rolname IN ('medora_admin', 'medora_clinician', 'medora_reception')
        ORDER BY array_position(array['medora_admin', 'medora_clinician', 'medora_reception'],
                                gr.rolname::text)
        LIMIT 1) g
    WHERE NOT r.rolsuper
      AND r.rolname NOT IN ('medora_desk', 'medora_admin', 'medora_clinician', 'medora_reception')
      AND r.oid <> (SELECT relowner FROM pg_class WHERE oid = 'medora_password_change'::regclass)
      -- A role that others are members of is a group, not a person (a role's creator holds
      -- only the option to administer it).
      AND NOT EXISTS (SELECT FROM pg_auth_members h WHERE h.roleid = r.oid AND NOT h.admin_option)
$$;

CREATE OR REPLACE FUNCTION medora_require_user(login text) RETURNS text
LANGUAGE plpgsql STABLE AS $$
DECLARE
    found text;
BEGIN
    SELECT u.grp INTO found FROM medora_users() u WHERE u.login = $1;
    IF found IS NULL THEN
        RAISE EXCEPTION 'there is no user % in Medora''s groups', $1 USING ERRCODE = 'undefined_object';
    END IF;
    RETURN found;
END
$$;

-- Whether the login is a member of the group itself, not through another.
CREATE OR REPLACE FUNCTION medora_is_member(login text, grp text) RETURNS boolean
LANGUAGE sql STABLE AS $$
    SELECT EXISTS (SELECT FROM pg_auth_members m
                   JOIN pg_roles g ON g.oid = m.roleid JOIN pg_roles r ON r.oid = m.member
                   WHERE g.rolname = grp AND r.rolname = login)
$$;

CREATE OR REPLACE FUNCTION medora_require_verifier(verifier text) RETURNS void
LANGUAGE plpgsql IMMUTABLE AS $$
BEGIN
    IF verifier IS NULL OR verifier !~
       '^SCRAM-SHA-256\$[0-9]+:[A-Za-z0-9+/]+=*\$[A-Za-z0-9+/]+=*:[A-Za-z0-9+/]+=*$' THEN
        RAISE EXCEPTION 'a password is given only as a SCRAM-SHA-256 verifier'
            USING ERRCODE = 'MD002';
    END IF;
END
$$;

CREATE OR REPLACE FUNCTION medora_require_group(grp text) RETURNS void
LANGUAGE plpgsql IMMUTABLE AS $$
BEGIN
    IF grp IS NULL OR grp NOT IN ('medora_admin', 'medora_clinician', 'medora_reception') THEN
        RAISE EXCEPTION '% is not one of Medora''s groups', grp USING ERRCODE = 'MD003';
    END IF;
END
$$;

-- The login is about to stop being an enabled administrator: refused when it is the last.
-- Changes to the logins wait for each other, so that two administrators cannot each take
-- away the other.
CREATE OR REPLACE FUNCTION medora_keep_an_administrator(login text) RETURNS void
LANGUAGE plpgsql AS $$
BEGIN
    IF EXISTS (SELECT FROM medora_users() u
               WHERE u.login = $1 AND u.grp = 'medora_admin' AND u.enabled)
       AND NOT EXISTS (SELECT FROM medora_users() u
                       WHERE u.login <> $1 AND u.grp = 'medora_admin' AND u.enabled) THEN
        RAISE EXCEPTION 'the last enabled administrator cannot be disabled or given another role'
            USING ERRCODE = 'MD001';
    END IF;
END
$$;

CREATE OR REPLACE FUNCTION medora_add_user(login text, grp text, verifier text, full_name text,
                                           must_change boolean) RETURNS void
LANGUAGE plpgsql SECURITY DEFINER AS $$
BEGIN
    PERFORM pg_advisory_xact_lock(hashtext('medora_users'));
    PERFORM medora_require_group(grp);
    PERFORM medora_require_verifier(verifier);
    IF login IS NULL OR EXISTS (SELECT FROM pg_roles WHERE rolname = login) THEN
        RAISE EXCEPTION 'the role % exists already', login USING ERRCODE = 'duplicate_object';
    END IF;
    EXECUTE format('CREATE ROLE %I LOGIN PASSWORD %L IN ROLE %I', login, verifier, grp);
    IF coalesce(full_name, '') <> '' THEN
        EXECUTE format('COMMENT ON ROLE %I IS %L', login, full_name);
    END IF;
    DELETE FROM medora_password_change c WHERE c.login = $1;
    IF must_change THEN
        INSERT INTO medora_password_change VALUES (login);
    END IF;
END
$$;

CREATE OR REPLACE FUNCTION medora_set_user_role(login text, grp text) RETURNS void
LANGUAGE plpgsql SECURITY DEFINER AS $$
DECLARE
    other text;
BEGIN
    PERFORM pg_advisory_xact_lock(hashtext('medora_users'));
    PERFORM medora_require_group(grp);
    PERFORM medora_require_user(login);
    IF grp <> 'medora_admin' THEN
        PERFORM medora_keep_an_administrator(login);
    END IF;
    FOREACH other IN ARRAY array['medora_admin', 'medora_clinician', 'medora_reception'] LOOP
        IF other <> grp AND medora_is_member(login, other) THEN
            EXECUTE format('REVOKE %I FROM %I', other, login);
        END IF;
    END LOOP;
    IF NOT medora_is_member(login, grp) THEN
        EXECUTE format('GRANT %I TO %I', grp, login);
    END IF;
END
$$;

CREATE OR REPLACE FUNCTION medora_set_user_enabled(login text, enabled boolean) RETURNS void
LANGUAGE plpgsql SECURITY DEFINER AS $$
BEGIN
    PERFORM pg_advisory_xact_lock(hashtext('medora_users'));
    PERFORM medora_require_user(login);
    IF NOT enabled THEN
        PERFORM medora_keep_an_administrator(login);
    END IF;
    EXECUTE format(CASE WHEN enabled THEN 'ALTER ROLE %I LOGIN' ELSE 'ALTER ROLE %I NOLOGIN' END,
                   login);
END
$$;

CREATE OR REPLACE FUNCTION medora_reset_password(login text, verifier text) RETURNS void
LANGUAGE plpgsql SECURITY DEFINER AS $$
BEGIN
    PERFORM pg_advisory_xact_lock(hashtext('medora_users'));
    PERFORM medora_require_verifier(verifier);
    PERFORM medora_require_user(login);
    EXECUTE format('ALTER ROLE %I PASSWORD %L', login, verifier);
    INSERT INTO medora_password_change VALUES (login) ON CONFLICT DO NOTHING;
END
$$;

-- Any desk's own login, in Medora's groups, sets its own password, which clears its mark.
CREATE OR REPLACE FUNCTION medora_change_own_password(verifier text) RETURNS void
LANGUAGE plpgsql SECURITY DEFINER AS $$
BEGIN
    PERFORM medora_require_verifier(verifier);
    PERFORM medora_require_user(session_user);
    EXECUTE format('ALTER ROLE %I PASSWORD %L', session_user, verifier);
    DELETE FROM medora_password_change WHERE login = session_user;
END
$$;

-- Every function finds its tables and the server's own functions only: no one else's objects
-- of the same names on a desk's search path.
DO $$
DECLARE
    made text;
BEGIN
    FOREACH made IN ARRAY array['medora_users()', 'medora_require_user(text)',
            'medora_is_member(text, text)', 'medora_require_verifier(text)', 'medora_require_group(text)',
            'medora_keep_an_administrator(text)',
            'medora_add_user(text, text, text, text, boolean)',
            'medora_set_user_role(text, text)', 'medora_set_user_enabled(text, boolean)',
            'medora_reset_password(text, text)', 'medora_change_own_password(text)'] LOOP
        EXECUTE format('ALTER FUNCTION %I.%s SET search_path = pg_catalog, %I, pg_temp',
                       current_schema(), made, current_schema());
        EXECUTE format('REVOKE ALL ON FUNCTION %I.%s FROM PUBLIC', current_schema(), made);
    END LOOP;
END
$$;
